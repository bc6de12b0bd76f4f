// KDX_TS's window driven as a user would: touches on the screen, zoom, the
// page list, the log, reloading, the serial output and the upload mode.
#include "compile/CompileProject.h"
#include "compile/CompileReporter.h"
#include "common/EditorSettingsKeys.h"
#include "render/PageRenderer.h"
#include "sim/ScreenView.h"
#include "sim/SimulatorWindow.h"
#include "tests/support/ProjectBuilder.h"

#include <QListWidget>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace kdx;
using namespace kdx::testing;

namespace {

class QuietReporter : public CompileReporter {
public:
    void EmitMessage(std::u16string_view) override {}
    void CheckCancel() override {}
};

uint32_t Rgb(int r, int g, int b) { return uint32_t(r | g << 8 | b << 16); }

QString SolidImage(const QTemporaryDir& dir, const QString& name, QColor color)
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(color);
    image.save(dir.filePath(name));
    return dir.filePath(name);
}

// Page 0 (load AA 01, unload AA 02): a red button at (10,10)-(50,30), blue
// while pressed, that sends 01 and jumps to page 1 on release. Page 1 (load
// AA 11): green, with 'extraPages' more pages after it.
void CompileSample(const QTemporaryDir& dir, const QString& output, int extraPages = 0)
{
    ProjectDesc project;
    project.header.width = 100;
    project.header.height = 60;
    project.header.colorDepth = 24;
    PageDesc home, next;
    home.pageId = 5;
    home.backgroundColor = Rgb(0, 0, 80);
    home.loadSend = SendDesc{1, {0xAA, 0x01}};
    home.unloadSend = SendDesc{2, {0xAA, 0x02}};
    ObjectDesc button = Shape("CDrawImage", 1, 10, 10, 50, 30);
    button.normalImage = SolidImage(dir, "n.png", Qt::red).toStdU16String();
    button.pressedImage = SolidImage(dir, "p.png", Qt::blue).toStdU16String();
    button.jumpTarget = 6;
    button.send = SendDesc{3, {0x01}};
    home.objects = {button};
    next.pageId = 6;
    next.backgroundColor = Rgb(0, 255, 0);
    next.loadSend = SendDesc{0, {0xAA, 0x11}};
    project.pages = {home, next};
    for (int i = 0; i < extraPages; ++i) {
        PageDesc more;
        more.pageId = uint32_t(7 + i);
        project.pages.push_back(more);
    }
    const QString source = dir.filePath("sample.kdp");
    WriteBytes(source.toStdString(), BuildProjectFile(project));
    // Written beside the output and moved over it, as a file is replaced.
    const QString temporary = output + ".new";
    QuietReporter reporter;
    CompileProject compile(reporter);
    compile.LoadProject(source.toStdString());
    compile.Optimize();
    compile.BuildMemoryImage();
    compile.Relocate();
    compile.WriteOutput(temporary.toStdString());
    QFile::remove(output);
    QVERIFY(QFile::rename(temporary, output));
}

QPoint ScreenPoint(const sim::SimulatorWindow& window, int x, int y)
{
    const int zoom = window.Screen()->Zoom();
    return QPoint(x * zoom + zoom / 2, y * zoom + zoom / 2);
}

QRgb ScreenPixel(const sim::SimulatorWindow& window, int x, int y) { return window.Screen()->Screen().pixel(x, y); }

} // namespace

class SimulatorTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(dir.isValid());
        file = dir.filePath("sample.kdpbin");
        CompileSample(dir, file);
    }

    void buttonShowsPressedWhileHeldAndJumpsOnRelease()
    {
        sim::SimulatorWindow window;
        window.show();
        QVERIFY(window.OpenFile(file));
        QCOMPARE(window.Session()->CurrentPage(), 0);
        QCOMPARE(ScreenPixel(window, 20, 20), qRgb(255, 0, 0));
        QCOMPARE(ScreenPixel(window, 5, 5), qRgb(0, 0, 80));
        QVERIFY(window.LogText().contains(QStringLiteral("页面装载 标签 01：AA 01")));

        QTest::mousePress(window.Screen(), Qt::LeftButton, {}, ScreenPoint(window, 20, 20));
        QCOMPARE(ScreenPixel(window, 20, 20), qRgb(0, 0, 255));
        QTest::mouseRelease(window.Screen(), Qt::LeftButton, {}, ScreenPoint(window, 20, 20));
        QCOMPARE(window.Session()->CurrentPage(), 1);
        QCOMPARE(ScreenPixel(window, 20, 20), qRgb(0, 255, 0));
        QCOMPARE(window.PageList()->currentRow(), 1);
        const QString log = window.LogText();
        const qsizetype touch = log.indexOf(QStringLiteral("触摸 标签 03：01"));
        const qsizetype unload = log.indexOf(QStringLiteral("页面卸载 标签 02：AA 02"));
        const qsizetype load = log.indexOf(QStringLiteral("页面装载 标签 00：AA 11"));
        QVERIFY(touch > 0 && touch < unload && unload < load);

        // The page list jumps by hand.
        QListWidget* list = window.PageList();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(window.Session()->CurrentPage(), 0);
    }

    void zoomScalesTheScreenAndItsTouches()
    {
        sim::SimulatorWindow window;
        window.show();
        QVERIFY(window.OpenFile(file));
        for (int zoom : {2, 3}) {
            window.SetZoom(zoom);
            QCOMPARE(window.Screen()->size(), QSize(100, 60) * zoom);
        }
        const QImage shown = window.Screen()->grab().toImage();
        QCOMPARE(shown.pixelColor(3 * 10, 3 * 10), QColor(255, 0, 0));
        QCOMPARE(shown.pixelColor(3 * 10 - 1, 3 * 10 - 1), QColor(0, 0, 80));
        QTest::mouseClick(window.Screen(), Qt::LeftButton, {}, ScreenPoint(window, 49, 29));
        QCOMPARE(window.Session()->CurrentPage(), 1);
    }

    void touchAtTwiceTheSizeLandsOnThePixelUnderTheMouse()
    {
        // At 2x the button (10,10)-(49,29) covers widget points 20..99 and
        // 20..59; the right half of a zoomed pixel is still that pixel.
        sim::SimulatorWindow window;
        window.show();
        QVERIFY(window.OpenFile(file));
        window.SetZoom(2);
        const QImage shown = window.Screen()->grab().toImage();
        QCOMPARE(shown.pixelColor(99, 59), QColor(255, 0, 0));
        QCOMPARE(shown.pixelColor(19, 19), QColor(0, 0, 80));
        QTest::mouseClick(window.Screen(), Qt::LeftButton, {}, QPoint(19, 19));
        QCOMPARE(window.Session()->CurrentPage(), 0);
        QTest::mouseClick(window.Screen(), Qt::LeftButton, {}, QPoint(99, 59));
        QCOMPARE(window.Session()->CurrentPage(), 1);
    }

    void onlyANewVersionOfTheShownFileReloadsAndKeepsItsPage()
    {
        sim::SimulatorWindow window;
        QVERIFY(window.OpenFile(file));
        QListWidget* list = window.PageList();
        emit list->itemClicked(list->item(1));
        QCOMPARE(window.Session()->CurrentPage(), 1);
        QSignalSpy loaded(&window, &sim::SimulatorWindow::ImageLoaded);

        // The project saved beside it, and any other file of the folder,
        // leave the running image, its page and the sent bytes alone.
        const QString sentBefore = window.LogText();
        QFile other(dir.filePath("sample.kdp"));
        QVERIFY(other.open(QIODevice::Append));
        other.write("x");
        other.close();
        QFile note(dir.filePath("note.txt"));
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write("x");
        note.close();
        QTest::qWait(1000);
        QCOMPARE(loaded.count(), 0);
        QCOMPARE(window.Session()->CurrentPage(), 1);
        QCOMPARE(window.LogText(), sentBefore);

        // A new compile (written beside and renamed into place) reloads and
        // stays on the page with the same id.
        CompileSample(dir, file, 2);
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 5000);
        QCOMPARE(window.PageList()->count(), 4);
        QCOMPARE(window.Session()->CurrentPage(), 1);
        QCOMPARE(window.PageList()->currentRow(), 1);
    }

    void changedFileIsReloadedAndABadOneKeepsTheRunningImage()
    {
        sim::SimulatorWindow window;
        QVERIFY(window.OpenFile(file));
        QCOMPARE(window.PageList()->count(), 2);
        QSignalSpy loaded(&window, &sim::SimulatorWindow::ImageLoaded);
        CompileSample(dir, file, 2);
        QTRY_COMPARE_WITH_TIMEOUT(window.PageList()->count(), 4, 5000);

        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        damaged.seek(300);
        damaged.write("\x55", 1);
        damaged.close();
        QTRY_VERIFY_WITH_TIMEOUT(window.LogText().contains(QStringLiteral("文件已经损坏")), 5000);
        QCOMPARE(window.PageList()->count(), 4);
        QVERIFY(window.Session());

        sim::SimulatorWindow other;
        QVERIFY(!other.OpenFile(dir.filePath("sample.kdp")));
        QVERIFY(other.LastError().contains(QStringLiteral("不是KDX触屏工程编译文件")));
    }

    // The reload does not wait: a file written in place is caught half-way,
    // refused while the old image keeps running, and run once it is whole.
    void aFileWrittenInPlaceRunsOnceItIsWhole()
    {
        sim::SimulatorWindow window;
        QVERIFY(window.OpenFile(file));
        QDir elsewhere(dir.filePath("elsewhere"));
        QVERIFY(elsewhere.mkpath("."));
        const QString fresh = elsewhere.filePath("sample.kdpbin");
        CompileSample(dir, fresh, 2);
        QFile source(fresh);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        QSignalSpy loaded(&window, &sim::SimulatorWindow::ImageLoaded);

        QFile target(file);
        QVERIFY(target.open(QIODevice::WriteOnly | QIODevice::Truncate));
        target.write(bytes.left(bytes.size() / 2));
        target.flush();
        QTRY_VERIFY_WITH_TIMEOUT(!window.LastError().isEmpty(), 5000);
        QCOMPARE(loaded.count(), 0);
        QCOMPARE(window.PageList()->count(), 2);
        target.write(bytes.mid(bytes.size() / 2));
        target.close();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, 5000);
        QCOMPARE(window.PageList()->count(), 4);
        QVERIFY(window.LastError().isEmpty());
    }

    void sentBytesGoOutOfTheSerialPort()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        const QString slave = QString::fromLocal8Bit(ptsname(master));
        {
            sim::SimulatorWindow window;
            QVERIFY(window.OpenSerialPort(slave, 115200));
            QVERIFY(window.OpenFile(file));
            QTest::mouseClick(window.Screen(), Qt::LeftButton, {}, ScreenPoint(window, 20, 20));
            QByteArray received;
            const QByteArray expected("\xAA\x01\x01\xAA\x02\xAA\x11", 7);
            for (int wait = 0; wait < 50 && received.size() < expected.size(); ++wait) {
                pollfd p{master, POLLIN, 0};
                if (poll(&p, 1, 100) > 0) {
                    char buffer[64];
                    const ssize_t n = read(master, buffer, sizeof buffer);
                    if (n > 0)
                        received.append(buffer, n);
                }
            }
            QCOMPARE(received, expected);
            QVERIFY(!window.OpenSerialPort(QStringLiteral("/dev/nonexistent-port"), 9600));
        }
        close(master);
    }

    void uploadModeRunsTheReceivedImage()
    {
        sim::SimulatorWindow window;
        const QString port = window.StartListening(24);
        QVERIFY(!port.isEmpty());
        QSignalSpy loaded(&window, &sim::SimulatorWindow::ImageLoaded);
        QProcess upload;
        upload.start(QStringLiteral(KDX_BIN_DIR "/kdx"), {"upload", "--port", port, "--baud", "115200", file});
        QVERIFY(upload.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() == 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(upload.state(), QProcess::NotRunning, 10000);
        QCOMPARE(upload.exitCode(), 0);
        QCOMPARE(window.PageList()->count(), 2);
        QCOMPARE(ScreenPixel(window, 20, 20), qRgb(255, 0, 0));
        QVERIFY(window.LogText().contains(QStringLiteral("影像接收完毕")));
    }

    void startsWithTheEditorsLastCompiledFile()
    {
        QSettings settings(QString::fromUtf8(kEditorSettingsOrganization), QString::fromUtf8(kEditorSettingsApplication));
        settings.setValue(QLatin1String(kLastCompiledFileKey), file);
        settings.sync();
        QCOMPARE(sim::SimulatorWindow::EditorLastCompiledFile(), file);
        settings.setValue(QLatin1String(kLastCompiledFileKey), dir.filePath("gone.kdpbin"));
        settings.sync();
        QCOMPARE(sim::SimulatorWindow::EditorLastCompiledFile(), QString());
    }

private:
    QTemporaryDir dir;
    QString file;
};

int main(int argc, char** argv)
{
    // Settings go to a folder of this run, not the user's.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    SimulatorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SimulatorTest.moc"
