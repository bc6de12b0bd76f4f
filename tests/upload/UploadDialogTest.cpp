// The uploader's dialog, driven offscreen, uploading to a virtual terminal
// on a real pseudo-terminal offered through KDX_EXTRA_PORTS.
#include "tests/upload/UploadTestSupport.h"
#include "upload/dialog/UploadDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using kdx::upload::UploadDialog;
using kdx::vterm::TerminalOptions;
using kdx::vterm::VirtualTerminal;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

// Answers the next modal message box with 'button' and returns its text
// through 'text'.
void AnswerNextMessageBox(QMessageBox::StandardButton button, QString* text)
{
    QTimer::singleShot(50, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return AnswerNextMessageBox(button, text);
        *text = box->text();
        box->button(button)->click();
    });
}

} // namespace

class UploadDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<VirtualTerminal> StartTerminal(const TerminalOptions& options = {})
    {
        auto terminal = std::make_unique<VirtualTerminal>(options);
        if (!terminal->Start())
            return nullptr;
        qputenv("KDX_EXTRA_PORTS", terminal->DevicePath().c_str());
        return terminal;
    }

    template <typename W>
    W* Child(UploadDialog& d, const char* name) { return d.findChild<W*>(name); }

    // Selects the terminal's port and starts an upload of 'imageSize' bytes.
    void StartUpload(UploadDialog& dialog, VirtualTerminal& terminal, size_t imageSize)
    {
        kdx::upload::test::WriteSealedFile(m_file, kdx::upload::test::PatternBytes(imageSize));
        dialog.SetFilePath(QString::fromStdString(m_file));
        dialog.RefreshPorts();
        auto* ports = Child<QComboBox>(dialog, "portList");
        ports->setCurrentIndex(ports->findText(QString::fromStdString(terminal.DevicePath())));
        Child<QPushButton>(dialog, "startButton")->click();
    }

    kdx::upload::test::TempDir m_dir;
    std::string m_file = m_dir.File("panel.kdpbin");

private slots:
    void controlsTextsAndOrder()
    {
        UploadDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.windowTitle().endsWith(U("[KDX触屏工程上传V1.0 Beta]")));
        QStringList labels;
        for (QLabel* l : dialog.findChildren<QLabel*>())
            if (!l->text().isEmpty())
                labels << l->text();
        QCOMPARE(labels, (QStringList{U("工程文件(&F)："), U("通信波特(&B)："), U("通信端口(P)：")}));
        auto* baud = Child<QComboBox>(dialog, "baudList");
        QStringList rates;
        for (int i = 0; i < baud->count(); ++i)
            rates << baud->itemText(i);
        QCOMPARE(rates, (QStringList{"921600", "460800", "230400", "115200", "57600", "56000", "38400", "19200",
                                     "14400", "9600", "4800", "2400", "1200"}));
        QCOMPARE(baud->currentData().toInt(), 115200);
        auto* start = Child<QPushButton>(dialog, "startButton");
        auto* cancel = Child<QPushButton>(dialog, "cancelButton");
        QCOMPARE(start->text(), U("开始"));
        QCOMPARE(cancel->text(), U("取消"));
        QCOMPARE(Child<QPushButton>(dialog, "closeButton")->text(), U("关闭"));
        QVERIFY(start->isVisible());
        QVERIFY(!cancel->isVisible());
        QCOMPARE(Child<QLineEdit>(dialog, "fileEdit")->property("controlId").toInt(), 1000);
        QVERIFY(Child<QPlainTextEdit>(dialog, "logEdit")->isReadOnly());
        if (qEnvironmentVariableIsSet("KDX_SCREENSHOT"))
            dialog.grab().save(qEnvironmentVariable("KDX_SCREENSHOT"));
    }

    void inputChecksShowMessageBoxes()
    {
        UploadDialog dialog;
        dialog.show();
        QString text;
        AnswerNextMessageBox(QMessageBox::Ok, &text);
        Child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(text, U("请提供一个有效的工程文件"));
        QVERIFY(Child<QPlainTextEdit>(dialog, "logEdit")->toPlainText().isEmpty());
        QVERIFY(!dialog.HasWorker());

        kdx::upload::test::WriteSealedFile(m_file, kdx::upload::test::PatternBytes(10));
        dialog.SetFilePath(QString::fromStdString(m_file));
        Child<QComboBox>(dialog, "portList")->clear();
        AnswerNextMessageBox(QMessageBox::Ok, &text);
        Child<QPushButton>(dialog, "startButton")->click();
        QCOMPARE(text, U("请选择一个通信端口"));
        QVERIFY(!dialog.HasWorker());
    }

    void uploadsAndFollowsProgress()
    {
        auto terminal = StartTerminal();
        QVERIFY(terminal);
        UploadDialog dialog;
        dialog.show();
        StartUpload(dialog, *terminal, 3 * 4096 + 5);
        auto* log = Child<QPlainTextEdit>(dialog, "logEdit");
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().endsWith(U(">发送完毕\n")), 10000);
        QTRY_VERIFY(!dialog.IsBusy());
        QVERIFY(log->toPlainText().startsWith(U(">正在打开端口...\n>正在以“115200”波特连接...\n>已连接\n")));
        QCOMPARE(Child<QProgressBar>(dialog, "progressBar")->value(), 100);
        QVERIFY(Child<QPushButton>(dialog, "startButton")->isVisible());
        QCOMPARE(terminal->Image().size(), size_t(3 * 4096 + 5));
    }

    void equalPortNamesOpenTheLaterPath()
    {
        auto terminal = StartTerminal();
        QVERIFY(terminal);
        UploadDialog dialog;
        dialog.show();
        kdx::upload::test::WriteSealedFile(m_file, kdx::upload::test::PatternBytes(100));
        dialog.SetFilePath(QString::fromStdString(m_file));
        dialog.SetPorts({{"COM", "/dev/kdx-no-such-port"}, {"COM", QString::fromStdString(terminal->DevicePath())}});
        auto* ports = Child<QComboBox>(dialog, "portList");
        QCOMPARE(ports->count(), 2);
        QCOMPARE(ports->currentIndex(), 0);
        Child<QPushButton>(dialog, "startButton")->click();
        auto* log = Child<QPlainTextEdit>(dialog, "logEdit");
        QTRY_VERIFY_WITH_TIMEOUT(log->toPlainText().endsWith(U(">发送完毕\n")), 10000);
    }

    void cancelWhileWaitingForAReply()
    {
        TerminalOptions options;
        options.silentFromBlock = 1;
        auto terminal = StartTerminal(options);
        QVERIFY(terminal);
        UploadDialog dialog;
        dialog.show();
        StartUpload(dialog, *terminal, 3 * 4096);
        auto* cancel = Child<QPushButton>(dialog, "cancelButton");
        QTRY_VERIFY_WITH_TIMEOUT(terminal->BlocksReceived() == 2 && cancel->isVisible(), 10000);
        QElapsedTimer timer;
        timer.start();
        cancel->click(); // returns only after the worker has ended
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(!dialog.HasWorker());
        QVERIFY(!dialog.IsBusy());
        QVERIFY(Child<QPlainTextEdit>(dialog, "logEdit")->toPlainText().endsWith(U(">用户取消操作！！！\n")));
        QVERIFY(Child<QPushButton>(dialog, "startButton")->isVisible());
    }

    void closeWhileBusyAsksFirst()
    {
        TerminalOptions options;
        options.silentFromBlock = 1;
        auto terminal = StartTerminal(options);
        QVERIFY(terminal);
        UploadDialog dialog;
        dialog.show();
        StartUpload(dialog, *terminal, 3 * 4096);
        QTRY_VERIFY_WITH_TIMEOUT(terminal->BlocksReceived() == 2 && dialog.IsBusy(), 10000);

        QString question;
        AnswerNextMessageBox(QMessageBox::No, &question);
        Child<QPushButton>(dialog, "closeButton")->click();
        QCOMPARE(question, U("正在发送数据，确定要停止操作吗？"));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.IsBusy());

        AnswerNextMessageBox(QMessageBox::Yes, &question);
        dialog.close(); // the window's close box takes the same way
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.HasWorker());
        QVERIFY(Child<QPlainTextEdit>(dialog, "logEdit")->toPlainText().endsWith(U(">用户取消操作！！！\n")));
    }

    void closeWhileIdleClosesAtOnce()
    {
        UploadDialog dialog;
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
    }
};

QTEST_MAIN(UploadDialogTest)
#include "UploadDialogTest.moc"
