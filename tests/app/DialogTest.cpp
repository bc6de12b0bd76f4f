#include "DialogTest.h"

#include "AppTestSupport.h"
#include "app/dialogs/CDlgGrid.h"
#include "app/dialogs/CDlgProject.h"
#include "app/frame/CMyStatusBar.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "model/PageDoc.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace kdx::test {

void DialogTest::parsesResolutionTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("upper X") << "480X272" << true << 480 << 272;
    QTest::newRow("blanks around") << " \t800 x 480  " << true << 800 << 480;
    QTest::newRow("smallest") << "1 x 1" << true << 1 << 1;
    QTest::newRow("largest") << "2048x2048" << true << 2048 << 2048;
    QTest::newRow("zero width") << "0 x 272" << false << 0 << 0;
    QTest::newRow("too wide") << "2049 x 100" << false << 0 << 0;
    QTest::newRow("star") << "480*272" << false << 0 << 0;
    QTest::newRow("no height") << "480 x" << false << 0 << 0;
    QTest::newRow("no width") << "X 272" << false << 0 << 0;
    QTest::newRow("huge digits") << "99999999999 x 1" << false << 0 << 0;
    QTest::newRow("signed") << "-480 x 272" << false << 0 << 0;
    QTest::newRow("trailing text") << "480 x 272 px" << false << 0 << 0;
    QTest::newRow("empty") << "" << false << 0 << 0;
}

void DialogTest::parsesResolutionTexts()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, width);
    QFETCH(int, height);
    CDlgProject dialog;
    dialog.ResolutionBox()->setEditText(text);
    ModalDriver driver;
    if (!accepted)
        driver.Answer(QMessageBox::Ok);
    driver.Run([&] { dialog.accept(); });
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    QCOMPARE(driver.boxes.size(), size_t(accepted ? 0 : 1));
    if (accepted) {
        QCOMPARE(dialog.Width(), width);
        QCOMPARE(dialog.Height(), height);
    }
}

void DialogTest::projectDialogRefusesBadInput()
{
    CDlgProject dialog;
    dialog.show();
    dialog.ResolutionBox()->setEditText(QStringLiteral("0 x 272"));
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    driver.Run([&] { dialog.accept(); });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(driver.boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(driver.boxes[0].text,
             QStringLiteral("请用“宽 x 高”格式输入有效的屏幕分辨率，例如“480 x 272”，有效范围是[1-2048] x [1-2048]。"));
    QVERIFY(dialog.isVisible());

    dialog.ResolutionBox()->setEditText(QStringLiteral("480 x 272"));
    dialog.DepthBox()->setCurrentIndex(-1);
    ModalDriver depth;
    depth.Answer(QMessageBox::Ok);
    depth.Run([&] { dialog.accept(); });
    QCOMPARE(depth.boxes.size(), size_t(1));
    QCOMPARE(depth.boxes[0].text, QStringLiteral("请选择一个屏幕色深度"));
    QVERIFY(dialog.isVisible());
}

void DialogTest::projectDialogReturnsChoice()
{
    CDlgProject dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("新建工程"));
    QCOMPARE(dialog.ResolutionBox()->currentText(), QStringLiteral("480 x 272"));
    QCOMPARE(dialog.DepthBox()->count(), 2);
    QCOMPARE(dialog.DepthBox()->currentText(), QStringLiteral("16"));
    dialog.ResolutionBox()->setEditText(QStringLiteral("800X600"));
    dialog.DepthBox()->setCurrentIndex(1);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.Width(), 800);
    QCOMPARE(dialog.Height(), 600);
    QCOMPARE(dialog.ColorDepth(), 24);
}

void DialogTest::gridDialogRefusesBadFields()
{
    CMyStatusBar bar;
    SetStatusMessageTarget(&bar);
    CDlgGrid dialog(4, 4);
    dialog.show();
    for (const char* text : {"0", "129", "ab", ""}) {
        dialog.WidthField()->Edit()->setText(QString::fromLatin1(text));
        dialog.HeightField()->Edit()->setText(QStringLiteral("0")); // width is tested first
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(bar.PaneAt(0).text, QStringLiteral("无效网格宽度"));
        QVERIFY(bar.PaneAt(0).style & CMyStatusBar::Highlighted);
    }
    dialog.WidthField()->Edit()->setText(QStringLiteral("128"));
    for (const char* text : {"0", "129", "1x"}) {
        dialog.HeightField()->Edit()->setText(QString::fromLatin1(text));
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(bar.PaneAt(0).text, QStringLiteral("无效网格高度"));
    }
    dialog.HeightField()->Edit()->setText(QStringLiteral(" 1 "));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.GridWidth(), 128);
    QCOMPARE(dialog.GridHeight(), 1);
    SetStatusMessageTarget(nullptr);
}

void DialogTest::gridDialogStepsAndStartsInRange()
{
    CDlgGrid dialog(0, -3);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("网格设置"));
    QCOMPARE(dialog.WidthField()->Edit()->text(), QStringLiteral("1"));
    QCOMPARE(dialog.HeightField()->Edit()->text(), QStringLiteral("1"));
    QLineEdit* width = dialog.WidthField()->Edit();
    QTest::keyClick(width, Qt::Key_Down);
    QCOMPARE(width->text(), QStringLiteral("1"));
    QTest::keyClick(width, Qt::Key_Up);
    QTest::keyClick(width, Qt::Key_Up);
    QCOMPARE(width->text(), QStringLiteral("3"));
    width->setText(QStringLiteral("128"));
    QTest::keyClick(width, Qt::Key_Up);
    QCOMPARE(width->text(), QStringLiteral("128"));
}

void DialogTest::gridCommandStoresGridSize()
{
    TestFrame frame;
    CPage* page = frame.Document().AddPage();
    frame.Document().SetCurrentPage(page);
    frame.Document().SetModifiedFlag(false);
    frame.UpdateCommandUI();
    ModalDriver driver;
    driver.Then([](QWidget* window) {
        auto* dialog = qobject_cast<CDlgGrid*>(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->WidthField()->Edit()->text(), QStringLiteral("4"));
        dialog->WidthField()->Edit()->setText(QStringLiteral("10"));
        dialog->HeightField()->Edit()->setText(QStringLiteral("12"));
        dialog->accept();
    });
    driver.Run([&] { frame.ExecuteCommand(ID_GRID_SETTINGS); });
    QCOMPARE(driver.unused(), 0);
    QCOMPARE(frame.Document().view.gridWidth, 10u);
    QCOMPARE(frame.Document().view.gridHeight, 12u);
    QVERIFY(frame.Document().IsModified());
}

void DialogTest::qtOwnTextsSpeakChinese()
{
    // The editor's start-up (run by this test program) installs Qt's
    // Chinese catalogue: standard buttons and Qt's own dialogs follow.
    QMessageBox box(QMessageBox::Question, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));

    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    QStringList labels;
    for (const QLabel* label : files.findChildren<QLabel*>())
        labels << label->text();
    QVERIFY2(labels.contains(QStringLiteral("查找范围：")), qPrintable(labels.join(u'|')));
    QVERIFY(!labels.contains(QStringLiteral("Look in:")));

    // Type names that Qt 6 moved to a new context are found all the same.
    QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
             QStringLiteral("文件夹"));
    QCOMPARE(QLocale().language(), QLocale::Chinese);

    QColorDialog colours;
    colours.setOption(QColorDialog::DontUseNativeDialog);
    QStringList buttons;
    for (const QPushButton* button : colours.findChildren<QPushButton*>())
        buttons << button->text();
    QVERIFY2(buttons.contains(QStringLiteral("确定")) && buttons.contains(QStringLiteral("取消")),
             qPrintable(buttons.join(u'|')));
}

} // namespace kdx::test
