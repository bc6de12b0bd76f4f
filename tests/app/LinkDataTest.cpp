#include "LinkDataTest.h"

#include "AppTestSupport.h"
#include "app/dialogs/CDlgLinkData.h"
#include "edit/CMyEdit.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

namespace kdx::test {
namespace {

const QString kFormatError = QStringLiteral(
    "数据转换出错，请检查数据格式是否按十六进制字节方式书写，\n例如：00 01 02 03 04 FF 10 A0 CD EE EF AA B 2 80");

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(char(v));
    return bytes;
}

QByteArray Counting(int count)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes.append(char(i));
    return bytes;
}

// Replaces the dialog's text as a user would: select all, then type.
void TypeText(CDlgLinkData& dialog, const QString& text)
{
    CMyEdit* edit = dialog.Editor();
    edit->SelectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClicks(edit, lines[i]);
    }
}

void ClickCommand(CDlgLinkData& dialog, int id)
{
    QWidget* button = dialog.ToolBar()->widgetForAction(dialog.CommandAction(id));
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    // The command runs queued, after the button was released.
    QCoreApplication::processEvents();
}

} // namespace

void LinkDataTest::parsesHexText_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("short runs") << QStringList{"B 2 80"} << true << Bytes({0x0B, 0x02, 0x80});
    QTest::newRow("leading zeros") << QStringList{"00FF 0001"} << true << Bytes({0xFF, 0x01});
    QTest::newRow("lower case, tabs, trailing blanks") << QStringList{"\tab\t cd  "} << true << Bytes({0xAB, 0xCD});
    QTest::newRow("empty lines add nothing") << QStringList{"", "01", "  ", "02", ""} << true << Bytes({1, 2});
    QTest::newRow("no text") << QStringList{} << true << QByteArray();
    QTest::newRow("63 digits") << QStringList{QString(62, u'0') + u'7'} << true << Bytes({7});
    QTest::newRow("64 digits") << QStringList{QString(63, u'0') + u'7'} << false << QByteArray();
    QTest::newRow("above a byte") << QStringList{"1FF"} << false << QByteArray();
    QTest::newRow("far above a byte") << QStringList{"FFFFFFFFFFFFFFFFFFFF"} << false << QByteArray();
    QTest::newRow("comma") << QStringList{"01,02"} << false << QByteArray();
    QTest::newRow("prefix") << QStringList{"0x12"} << false << QByteArray();
    QTest::newRow("error on a later line") << QStringList{"01 02", "03 G4"} << false << QByteArray();
    QTest::newRow("full-width space") << QStringList{u"01\u300002"_qs} << false << QByteArray();
}

void LinkDataTest::parsesHexText()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, valid);
    QFETCH(QByteArray, bytes);
    const HexParseResult result = CDlgLinkData::ParseHex(lines);
    QCOMPARE(result.valid, valid);
    QCOMPARE(result.bytes, bytes);
    QVERIFY(!result.truncated);
}

void LinkDataTest::showsSixteenBytesALine()
{
    QCOMPARE(CDlgLinkData::FormatHex({}), QString());
    QCOMPARE(CDlgLinkData::FormatHex(Bytes({0x0B, 0x02, 0x80, 0xFF})), QStringLiteral("0B 02 80 FF"));
    QCOMPARE(CDlgLinkData::FormatHex(Counting(16)),
             QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"));

    CDlgLinkData dialog(Counting(20));
    CMyEdit* edit = dialog.Editor();
    QCOMPARE(edit->GetLineCount(), 2);
    QCOMPARE(edit->LineText(0), QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F"));
    QCOMPARE(edit->LineText(1), QStringLiteral("10 11 12 13"));
    QCOMPARE(edit->Text(), edit->LineText(0) + QStringLiteral("\r\n") + edit->LineText(1));
    QVERIFY(!edit->IsModified());

    // What is shown reads back as the same bytes, every byte value included.
    QByteArray all = Counting(256);
    QCOMPARE(CDlgLinkData::ParseHex(CDlgLinkData::FormatHex(all).split(QStringLiteral("\r\n"))).bytes, all);
}

void LinkDataTest::typedTextIsAcceptedThroughTheToolbar()
{
    // As the property pane runs it: modal, typed into, accepted with 保存.
    CDlgLinkData dialog(Bytes({0xAA, 0x55}));
    ModalDriver driver;
    driver.Then([&](QWidget* window) {
        QCOMPARE(window, &dialog);
        QVERIFY(dialog.Editor()->hasFocus());
        TypeText(dialog, QStringLiteral("B 2 80"));
        ClickCommand(dialog, CDlgLinkData::ID_DATA_ACCEPT);
    });
    int result = -1;
    driver.Run([&] { result = dialog.exec(); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(dialog.data(), Bytes({0x0B, 0x02, 0x80}));
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(driver.unused(), 0);

    // The keyboard alone: the text keeps Tab and Escape, Ctrl+S accepts.
    CDlgLinkData keyboard({});
    ModalDriver keys;
    keys.Then([&](QWidget*) {
        QVERIFY(QTest::qWaitForWindowActive(&keyboard));
        QTest::keyClicks(keyboard.Editor(), QStringLiteral("7f"));
        QTest::keyClick(keyboard.Editor(), Qt::Key_S, Qt::ControlModifier);
    });
    keys.Run([&] { result = keyboard.exec(); });
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(keyboard.data(), Bytes({0x7F}));
}

void LinkDataTest::refusedTextKeepsTheDialogOpen()
{
    for (const QString& text : {QStringLiteral("1FF"), QStringLiteral("01,02")}) {
        CDlgLinkData dialog(Bytes({1}));
        dialog.show();
        TypeText(dialog, text);
        ModalDriver driver;
        driver.Answer(QMessageBox::Ok);
        driver.Run([&] { ClickCommand(dialog, CDlgLinkData::ID_DATA_ACCEPT); });
        QCOMPARE(driver.boxes.size(), size_t(1));
        QCOMPARE(driver.boxes[0].text, kFormatError);
        QCOMPARE(driver.boxes[0].icon, QMessageBox::Critical);
        QVERIFY2(dialog.isVisible(), qPrintable(text));
        QCOMPARE(dialog.data(), Bytes({1}));

        // Mended text is then taken, with lines and blanks as typed.
        TypeText(dialog, QStringLiteral("01 02\n\n  FF"));
        ModalDriver again;
        again.Run([&] { dialog.accept(); });
        QCOMPARE(again.unexpected, 0);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.data(), Bytes({1, 2, 0xFF}));
    }
}

void LinkDataTest::overlongTextIsCutWithAWarning()
{
    CDlgLinkData dialog({});
    dialog.show();
    QByteArray many = Counting(CDlgLinkData::kMaxBytes + 10);
    dialog.Editor()->InsertText(0, 0, CDlgLinkData::FormatHex(many));
    QVERIFY(dialog.Editor()->IsModified());
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    driver.Run([&] { dialog.accept(); });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(driver.boxes[0].text, QStringLiteral("数据长度大于65535字节将被折断，后面的数据将被丢弃"));
    QCOMPARE(driver.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.data(), many.left(CDlgLinkData::kMaxBytes));
}

void LinkDataTest::unchangedTextClosesWithTheGivenBytes()
{
    const QByteArray given = Counting(40);
    CDlgLinkData dialog(given);
    dialog.show();
    ModalDriver driver;
    driver.Run([&] { ClickCommand(dialog, CDlgLinkData::ID_DATA_ACCEPT); });
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.data(), given);
}

void LinkDataTest::discardAsksOnlyAfterAChange()
{
    const QString question = QStringLiteral("数据已经被修改，要保存数据吗？");
    const QByteArray given = Bytes({0x10, 0x20});
    {
        CDlgLinkData dialog(given);
        dialog.show();
        ModalDriver driver;
        driver.Run([&] { ClickCommand(dialog, CDlgLinkData::ID_DATA_DISCARD); });
        QCOMPARE(driver.unexpected, 0);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }
    {
        CDlgLinkData dialog(given);
        dialog.show();
        TypeText(dialog, QStringLiteral("30"));
        // Cancel stays, No drops the change.
        ModalDriver driver;
        driver.Answer(QMessageBox::Cancel).Answer(QMessageBox::No);
        driver.Run([&] {
            ClickCommand(dialog, CDlgLinkData::ID_DATA_DISCARD);
            QVERIFY(dialog.isVisible());
            dialog.close();
        });
        QCOMPARE(driver.boxes.size(), size_t(2));
        QCOMPARE(driver.boxes[0].text, question);
        QCOMPARE(driver.boxes[0].icon, QMessageBox::Question);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.data(), given);
    }
    {
        // Yes takes the text; a refused text keeps the dialog open.
        CDlgLinkData dialog(given);
        dialog.show();
        TypeText(dialog, QStringLiteral("3 4 zz"));
        ModalDriver driver;
        driver.Answer(QMessageBox::Yes).Answer(QMessageBox::Ok);
        driver.Run([&] { dialog.reject(); });
        QCOMPARE(driver.boxes.size(), size_t(2));
        QCOMPARE(driver.boxes[1].text, kFormatError);
        QVERIFY(dialog.isVisible());
        TypeText(dialog, QStringLiteral("3 4"));
        ModalDriver again;
        again.Answer(QMessageBox::Yes);
        again.Run([&] { dialog.reject(); });
        QCOMPARE(again.boxes.size(), size_t(1));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.data(), Bytes({3, 4}));
    }
}

void LinkDataTest::loadsFilesUpToTheBlockLimit()
{
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return file.fileName();
    };
    QByteArray big(70000, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 7 + i / 256) & 0xFF);
    const QString bigPath = write(QStringLiteral("big.bin"), big);

    CDlgLinkData dialog(Bytes({9}));
    dialog.show();
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    bool loaded = false;
    driver.Run([&] { loaded = dialog.LoadFile(bigPath); });
    QVERIFY(loaded);
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(driver.boxes[0].text, QStringLiteral("文件长度大于65535字节将被折断"));
    QCOMPARE(driver.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(dialog.Editor()->GetLineCount(), (65535 + 15) / 16);
    // The last line holds the 15 bytes after 4095 full lines.
    QCOMPARE(dialog.Editor()->LineText(4095), CDlgLinkData::FormatHex(big.mid(65520, 15)));
    ModalDriver accept;
    accept.Run([&] { dialog.accept(); });
    QCOMPARE(accept.unexpected, 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.data().size(), 65535);
    QCOMPARE(dialog.data(), big.left(65535));

    // A file of exactly a block loads without a warning; loaded bytes count
    // as a change that discarding asks about.
    CDlgLinkData exact({});
    exact.show();
    ModalDriver quiet;
    quiet.Answer(QMessageBox::No);
    quiet.Run([&] {
        QVERIFY(exact.LoadFile(write(QStringLiteral("exact.bin"), big.left(65535))));
        exact.reject();
    });
    QCOMPARE(quiet.boxes.size(), size_t(1));
    QCOMPARE(quiet.boxes[0].text, QStringLiteral("数据已经被修改，要保存数据吗？"));

    // An empty file changes nothing; a missing one is reported.
    CDlgLinkData kept(Bytes({1, 2}));
    kept.show();
    ModalDriver none;
    none.Run([&] { QVERIFY(kept.LoadFile(write(QStringLiteral("empty.bin"), {}))); });
    QCOMPARE(none.unexpected, 0);
    QVERIFY(!kept.Editor()->IsModified());
    QCOMPARE(kept.Editor()->Text(), QStringLiteral("01 02"));
    ModalDriver missing;
    missing.Answer(QMessageBox::Ok);
    missing.Run([&] { QVERIFY(!kept.LoadFile(dir.filePath(QStringLiteral("absent.bin")))); });
    QCOMPARE(missing.boxes.size(), size_t(1));
    QCOMPARE(missing.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(missing.boxes[0].text.contains(QStringLiteral("absent.bin")));
    QCOMPARE(kept.Editor()->Text(), QStringLiteral("01 02"));
}

void LinkDataTest::openCommandLoadsTheChosenFile()
{
    // "All files" includes names without a dot.
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("payload")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(Bytes({0xAA, 0x55}));
    file.close();

    CDlgLinkData dialog(Bytes({1}));
    dialog.show();
    ModalDriver driver;
    driver.Then([&](QWidget* window) {
        auto* files = qobject_cast<QFileDialog*>(window);
        QVERIFY(files);
        QCOMPARE(files->nameFilters(), QStringList{QStringLiteral("所有文件(*)")});
        QCOMPARE(files->fileMode(), QFileDialog::ExistingFile);
        files->setDirectory(dir.path());
        files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("payload"));
        QMetaObject::invokeMethod(files, "accept");
    });
    driver.Run([&] { ClickCommand(dialog, CDlgLinkData::ID_DATA_OPEN); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(dialog.Editor()->Text(), QStringLiteral("AA 55"));
    ModalDriver accept;
    accept.Run([&] { dialog.accept(); });
    QCOMPARE(dialog.data(), Bytes({0xAA, 0x55}));
}

void LinkDataTest::toolbarAndLayout()
{
    CDlgLinkData dialog(Counting(3));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("自定数据"));
    const QList<QAction*> actions = dialog.ToolBar()->actions();
    QCOMPARE(actions.size(), 4);
    const QList<int> ids = {38040, 38041, 0, 38042};
    const QStringList labels = {QStringLiteral("打开"), QStringLiteral("保存"), QString(), QStringLiteral("放弃")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(actions[i]->isSeparator(), ids[i] == 0);
        if (ids[i] == 0)
            continue;
        QCOMPARE(actions[i]->data().toInt(), ids[i]);
        QCOMPARE(actions[i]->text(), labels[i]);
        QCOMPARE(actions[i]->toolTip(), labels[i]);
        QVERIFY(!actions[i]->icon().isNull());
        QCOMPARE(actions[i]->icon().actualSize(QSize(24, 24)), QSize(24, 24));
    }
    QCOMPARE(dialog.ToolBar()->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    QCOMPARE(dialog.Editor()->Colour(7), QColor(0, 128, 128));
    QCOMPARE(dialog.Editor()->Colour(8), dialog.palette().color(QPalette::Base));

    // The toolbar keeps its height across the top; the text fills the rest.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const QSize size : {QSize(400, 250), QSize(900, 700)}) {
        dialog.resize(size);
        QCoreApplication::processEvents();
        const QRect bar = dialog.ToolBar()->geometry();
        const QRect edit = dialog.Editor()->geometry();
        QCOMPARE(bar.top(), 0);
        QCOMPARE(bar.width(), dialog.width());
        QVERIFY(bar.height() >= 30 && bar.height() < 60);
        QCOMPARE(edit.top(), bar.bottom() + 1);
        QCOMPARE(edit.width(), dialog.width());
        QCOMPARE(edit.bottom(), dialog.height() - 1);
    }
}

} // namespace kdx::test
