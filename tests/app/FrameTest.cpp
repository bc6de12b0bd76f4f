#include "FrameTest.h"

#include "AppTestSupport.h"
#include "app/dialogs/CDlgProject.h"
#include "app/frame/CEditorApp.h"
#include "app/frame/CMyStatusBar.h"
#include "app/panes/CPaneOutput.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "model/ModelStrings.h"
#include "model/PageDoc.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QFile>
#include <QMimeData>
#include <QTabBar>
#include <QTest>
#include <QUrl>

namespace kdx::test {
namespace {

const QString kTitlePrefix = QStringLiteral("ZOV-[KDX触屏工程编辑V1.0 Beta] - ");

QString PaneText(const CAppFrame& frame, int id)
{
    const CMyStatusBar* bar = frame.StatusBar();
    return bar->PaneAt(bar->IndexOf(id)).text;
}

class FakeCompilePane : public ICompilePane {
public:
    bool busy = false;
    QString project;
    QString output;
    bool IsCompiling() const override { return busy; }
    void StartCompile(const QString& projectPath, const QString& outputPath) override
    {
        project = projectPath;
        output = outputPath;
    }
};

} // namespace

void FrameTest::init()
{
    QVERIFY(dir_.isValid());
    EditorSettings()->clear();
}

void FrameTest::startsWithProjectFromCommandLine()
{
    const QString path = dir_.filePath(QStringLiteral("panel.kdp"));
    WriteProject(path, 800, 480, 24, 3);
    TestFrame frame;
    CEditorApp::ProcessCommandLine(frame, {QStringLiteral("KDX_TE"), path});

    QCOMPARE(frame.Document().PageCount(), size_t(3));
    QCOMPARE(frame.PathName(), path);
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("panel.kdp"));
    QCOMPARE(PaneText(frame, CAppFrame::kVersionPane), QStringLiteral(" 版本：1.0 "));
    QCOMPARE(PaneText(frame, CAppFrame::kResolutionPane), QStringLiteral(" 分辨率：800 x 480 "));
    QCOMPARE(PaneText(frame, CAppFrame::kDepthPane), QStringLiteral(" 色深：24 "));
    QCOMPARE(frame.RecentFiles(), QStringList{path});
    QVERIFY(frame.Document().CurrentPage() != nullptr);
    frame.UpdateCommandUI();
    QVERIFY(!frame.Action(ID_FILE_SAVE)->isEnabled());
    QVERIFY(frame.Action(ID_PROJECT_COMPILE)->isEnabled());
}

void FrameTest::showsTheWindowBeforeReadingTheProject()
{
    const QString path = dir_.filePath(QStringLiteral("panel.kdp"));
    WriteProject(path, 800, 480, 24, 3);
    TestFrame frame;
    CEditorApp::ShowAndOpen(frame, {QStringLiteral("KDX_TE"), path});
    QVERIFY(frame.isVisible());
    QVERIFY(frame.PathName().isEmpty());
    QTRY_COMPARE(frame.PathName(), path);
    QCOMPARE(frame.Document().PageCount(), size_t(3));
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("panel.kdp"));
}

void FrameTest::startsWithExampleProject()
{
    const QString demo = QStringLiteral(KDX_SOURCE_DIR "/examples/demo/demo.kdp");
    if (!QFile::exists(demo))
        QSKIP("the example project is not in this checkout");
    TestFrame frame;
    ModalDriver driver;
    driver.Run([&] { CEditorApp::ProcessCommandLine(frame, {QStringLiteral("KDX_TE"), demo}); });
    QCOMPARE(driver.unexpected, 0);
    QVERIFY(frame.Document().PageCount() > 0);
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("demo.kdp"));
}

void FrameTest::missingOrDamagedFileLeavesNewProject()
{
    const QString missing = dir_.filePath(QStringLiteral("absent.kdp"));
    TestFrame frame;
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    driver.Run([&] { CEditorApp::ProcessCommandLine(frame, {QStringLiteral("KDX_TE"), missing}); });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(driver.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(driver.boxes[0].text.contains(missing));
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("无标题"));
    QCOMPARE(frame.Document().PageCount(), size_t(0));
    QVERIFY(frame.RecentFiles().isEmpty());

    // A sealed file with one byte changed after the header is damaged.
    const QString damaged = dir_.filePath(QStringLiteral("damaged.kdp"));
    WriteProject(damaged, 480, 272, 16, 1);
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(230);
    file.write("\x7f", 1);
    file.close();
    ModalDriver second;
    second.Answer(QMessageBox::Ok);
    second.Run([&] { frame.OpenDocumentFile(damaged); });
    QCOMPARE(second.boxes.size(), size_t(1));
    QCOMPARE(second.boxes[0].text, ModelString(kStrFileDamaged));
    QCOMPARE(frame.Document().PageCount(), size_t(0));
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("无标题"));
}

void FrameTest::unreadablePictureIsShownInTheStatusBar()
{
    TestFrame frame;
    CPageDoc& doc = frame.Document();
    CPage* page = doc.AddPage();
    const QString missing = dir_.filePath(QStringLiteral("absent.png"));
    doc.SetPageBackgroundImage(page, missing);
    QCOMPARE(frame.StatusBar()->MessageText(), QStringLiteral("打开图象文件错误 ") + missing);
}

void FrameTest::captionFollowsModifiedState()
{
    TestFrame frame;
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("无标题"));
    frame.Document().AddPage();
    QVERIFY(frame.Document().IsModified());
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("无标题*"));
    frame.saveAnswer = dir_.filePath(QStringLiteral("saved"));
    QVERIFY(frame.Documents().Save());
    // A name typed without extension gets ".kdp".
    QCOMPARE(frame.PathName(), dir_.filePath(QStringLiteral("saved.kdp")));
    QCOMPARE(frame.windowTitle(), kTitlePrefix + QStringLiteral("saved.kdp"));
}

void FrameTest::newProjectDialogSetsFormatAndAddsPage()
{
    TestFrame frame;
    ModalDriver driver;
    driver.Then([](QWidget* window) {
        auto* dialog = qobject_cast<CDlgProject*>(window);
        QVERIFY(dialog);
        dialog->ResolutionBox()->setEditText(QStringLiteral("1024 x 600"));
        dialog->DepthBox()->setCurrentIndex(1);
        dialog->accept();
    });
    driver.Run([&] { frame.ExecuteCommand(ID_FILE_NEW); });
    QCOMPARE(driver.unexpected, 0);
    QCOMPARE(frame.Document().header.width, uint16_t(1024));
    QCOMPARE(frame.Document().header.height, uint16_t(600));
    QCOMPARE(frame.Document().header.colorDepth, 24u);
    QCOMPARE(frame.Document().PageCount(), size_t(1));
    QCOMPARE(PaneText(frame, CAppFrame::kResolutionPane), QStringLiteral(" 分辨率：1024 x 600 "));
    QCOMPARE(PaneText(frame, CAppFrame::kDepthPane), QStringLiteral(" 色深：24 "));
}

void FrameTest::cancelledSavePromptAbandonsNewProject()
{
    TestFrame frame;
    frame.Document().AddPage();
    frame.Document().AddPage();
    const auto acceptLarge = [](QWidget* window) {
        auto* dialog = qobject_cast<CDlgProject*>(window);
        QVERIFY(dialog);
        dialog->ResolutionBox()->setEditText(QStringLiteral("800 x 480"));
        dialog->accept();
    };
    ModalDriver cancel;
    cancel.Then(acceptLarge).Answer(QMessageBox::Cancel);
    cancel.Run([&] { frame.ExecuteCommand(ID_FILE_NEW); });
    QCOMPARE(cancel.boxes.size(), size_t(1));
    QCOMPARE(cancel.boxes[0].text, QStringLiteral("是否将改动保存到 无标题？"));
    QCOMPARE(frame.Document().header.width, uint16_t(480));
    QCOMPARE(frame.Document().PageCount(), size_t(2));
    QVERIFY(frame.Document().IsModified());

    ModalDriver discard;
    discard.Then(acceptLarge).Answer(QMessageBox::No);
    discard.Run([&] { frame.ExecuteCommand(ID_FILE_NEW); });
    QCOMPARE(frame.Document().header.width, uint16_t(800));
    QCOMPARE(frame.Document().PageCount(), size_t(1));
}

void FrameTest::exitAsksToSaveAndCanBeCancelled()
{
    TestFrame frame;
    frame.show();
    frame.Document().AddPage();
    ModalDriver cancel;
    cancel.Answer(QMessageBox::Cancel);
    cancel.Run([&] { frame.ExecuteCommand(ID_APP_EXIT); });
    QCOMPARE(cancel.boxes.size(), size_t(1));
    QCOMPARE(cancel.boxes[0].icon, QMessageBox::Question);
    QVERIFY(frame.isVisible());

    // Yes saves under a name asked for; a cancelled name keeps the window.
    ModalDriver yes;
    yes.Answer(QMessageBox::Yes);
    yes.Run([&] { frame.ExecuteCommand(ID_APP_EXIT); });
    QCOMPARE(frame.saveQuestions, 1);
    QVERIFY(frame.isVisible());

    frame.saveAnswer = dir_.filePath(QStringLiteral("exit.kdp"));
    ModalDriver save;
    save.Answer(QMessageBox::Yes);
    save.Run([&] { frame.ExecuteCommand(ID_APP_EXIT); });
    QVERIFY(!frame.isVisible());
    QVERIFY(QFile::exists(frame.saveAnswer));
}

void FrameTest::saveAsWritesFileAndRemembersIt()
{
    TestFrame frame;
    frame.Document().AddPage();
    frame.saveAnswer = dir_.filePath(QStringLiteral("no-such-folder/x.kdp"));
    ModalDriver failure;
    failure.Answer(QMessageBox::Ok);
    failure.Run([&] { frame.ExecuteCommand(ID_FILE_SAVE_AS); });
    QCOMPARE(failure.boxes.size(), size_t(1));
    QCOMPARE(failure.boxes[0].icon, QMessageBox::Critical);
    QVERIFY(frame.Document().IsModified());
    QVERIFY(frame.PathName().isEmpty());

    frame.saveAnswer = dir_.filePath(QStringLiteral("second.kdp"));
    frame.ExecuteCommand(ID_FILE_SAVE_AS);
    QVERIFY(!frame.Document().IsModified());
    QCOMPARE(frame.RecentFiles().value(0), frame.saveAnswer);

    // The list keeps ten entries, newest first, without duplicates.
    for (int i = 0; i < 12; ++i) {
        frame.saveAnswer = dir_.filePath(QStringLiteral("p%1.kdp").arg(i));
        frame.ExecuteCommand(ID_FILE_SAVE_AS);
    }
    frame.saveAnswer = dir_.filePath(QStringLiteral("p5.kdp"));
    frame.ExecuteCommand(ID_FILE_SAVE_AS);
    QCOMPARE(frame.RecentFiles().size(), CDocumentManager::kMaxRecentFiles);
    QCOMPARE(frame.RecentFiles().first(), frame.saveAnswer);
    QCOMPARE(frame.RecentFiles().count(frame.saveAnswer), 1);
    TestFrame next;
    QCOMPARE(next.RecentFiles(), frame.RecentFiles());
}

void FrameTest::textProjectsOpenAndSaveInTheirForm()
{
    // A text project made from a project file with two pages.
    const QString binary = dir_.filePath(QStringLiteral("form.kdp"));
    const QString text = dir_.filePath(QStringLiteral("form.kdpj"));
    WriteProject(binary, 320, 240, 24, 2);
    {
        CPageDoc doc;
        doc.SetImageDecoding(false);
        QVERIFY(!doc.OpenProject(binary));
        QVERIFY(!doc.SaveProject(text));
        QFile file(text);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("{\n  \"kdpj\": 1,"));
    }
    CAppFrame frame;
    frame.show();
    QVERIFY(frame.OpenDocumentFile(text));
    QCOMPARE(frame.Document().PageCount(), size_t(2));
    QCOMPARE(frame.Document().header.colorDepth, 24u);

    // Save keeps the text form.
    frame.Document().RenamePage(frame.Document().PageAt(1), QStringLiteral("改名"));
    frame.ExecuteCommand(ID_FILE_SAVE);
    QVERIFY(!frame.Document().IsModified());
    QFile saved(text);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("\"name\": \"改名\""));

    // Save As offers both forms and starts in the text form.
    ModalDriver saveAs;
    saveAs.Then([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("KDX触屏工程文件(*.kdp)"),
                                                     QStringLiteral("KDX触屏工程文本文件(*.kdpj)")}));
        QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("KDX触屏工程文本文件(*.kdpj)"));
        QCOMPARE(dialog->defaultSuffix(), QStringLiteral("kdpj"));
        QMetaObject::invokeMethod(dialog, "reject");
    });
    saveAs.Run([&] { frame.ExecuteCommand(ID_FILE_SAVE_AS); });
    QCOMPARE(saveAs.unused(), 0);

    // A damaged text is refused with its line and column; the open project is replaced by a new one.
    QFile bad(dir_.filePath(QStringLiteral("bad.kdpj")));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("{\n  \"kdpj\": 1,\n  \"header\": 5,\n  \"view\": {},\n  \"pages\": []\n}\n");
    bad.close();
    ModalDriver refusal;
    refusal.Answer(QMessageBox::Ok);
    refusal.Run([&] { QVERIFY(!frame.OpenDocumentFile(bad.fileName())); });
    QCOMPARE(refusal.boxes.size(), size_t(1));
    QVERIFY2(refusal.boxes[0].text.contains(QStringLiteral("第 3 行，第 13 列")), qPrintable(refusal.boxes[0].text));
}

void FrameTest::compileSavesFirstAndCancelStopsIt()
{
    TestFrame frame;
    frame.Document().AddPage();
    frame.UpdateCommandUI();
    QVERIFY(frame.Action(ID_PROJECT_COMPILE)->isEnabled());
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.saveQuestions, 1);
    QCOMPARE(frame.compileQuestions, 0);

    // Saved, but the output dialog cancelled: nothing else happens.
    frame.saveAnswer = dir_.filePath(QStringLiteral("c.kdp"));
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.compileQuestions, 1);
    QVERIFY(!frame.Document().IsModified());
    QCOMPARE(frame.compileProposal, dir_.filePath(QStringLiteral("c.kdpbin")));
}

void FrameTest::compileAgainUsesTheProjectsLastOutput()
{
    TestFrame frame;
    FakeCompilePane pane;
    frame.OutputPane()->SetCompilePane(&pane, new QWidget);
    QCOMPARE(frame.Action(ID_PROJECT_RECOMPILE)->shortcut(), QKeySequence(Qt::Key_F7));
    QCOMPARE(frame.Action(ID_PROJECT_SIMULATE)->shortcut(), QKeySequence(Qt::Key_F5));
    frame.saveAnswer = dir_.filePath(QStringLiteral("e.kdp"));
    frame.Document().AddPage();

    // Never compiled: even F7 asks, proposing the project's name beside it.
    frame.compileAnswer = dir_.filePath(QStringLiteral("out/e.kdpbin"));
    frame.ExecuteCommand(ID_PROJECT_RECOMPILE);
    QCOMPARE(frame.compileQuestions, 1);
    QCOMPARE(frame.compileProposal, dir_.filePath(QStringLiteral("e.kdpbin")));
    QCOMPARE(pane.output, frame.compileAnswer);

    // Then F7 compiles there without asking, and the dialog proposes it.
    pane.output.clear();
    frame.ExecuteCommand(ID_PROJECT_RECOMPILE);
    QCOMPARE(frame.compileQuestions, 1);
    QCOMPARE(pane.output, dir_.filePath(QStringLiteral("out/e.kdpbin")));
    pane.output.clear();
    frame.compileAnswer.clear();
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.compileQuestions, 2);
    QCOMPARE(frame.compileProposal, dir_.filePath(QStringLiteral("out/e.kdpbin")));
    QVERIFY(pane.output.isEmpty());

    // Another project has an output of its own; the first keeps its one.
    frame.saveAnswer = dir_.filePath(QStringLiteral("f.kdp"));
    frame.ExecuteCommand(ID_FILE_SAVE_AS);
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.compileProposal, dir_.filePath(QStringLiteral("f.kdpbin")));
    QVERIFY(frame.OpenDocumentFile(dir_.filePath(QStringLiteral("e.kdp"))));
    frame.ExecuteCommand(ID_PROJECT_RECOMPILE);
    QCOMPARE(frame.compileQuestions, 3);
    QCOMPARE(pane.output, dir_.filePath(QStringLiteral("out/e.kdpbin")));
}

void FrameTest::compileHandsPathsToCompilePane()
{
    TestFrame frame;
    frame.saveAnswer = dir_.filePath(QStringLiteral("d.kdp"));
    frame.compileAnswer = dir_.filePath(QStringLiteral("out/d.kdpbin"));
    frame.Document().AddPage();
    frame.show();
    QVERIFY(!frame.OutputPane()->isVisible());

    // Without a compile pane the command reports that none is free.
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.StatusBar()->PaneAt(0).text, EditorString(IDS_NO_COMPILE_PANE));
    QVERIFY(frame.StatusBar()->PaneAt(0).style & CMyStatusBar::Highlighted);

    FakeCompilePane pane;
    frame.OutputPane()->SetCompilePane(&pane, new QWidget);
    frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QCOMPARE(frame.compileProposal, frame.compileAnswer);
    QCOMPARE(pane.project, dir_.filePath(QStringLiteral("d.kdp")));
    QCOMPARE(pane.output, frame.compileAnswer);
    QVERIFY(frame.OutputPane()->isVisible());
    QVERIFY(frame.Action(ID_VIEW_OUTPUT)->isChecked());

    pane.busy = true;
    frame.UpdateCommandUI();
    QVERIFY(!frame.Action(ID_PROJECT_COMPILE)->isEnabled());
}

void FrameTest::fileDialogsOfferTheirFilters()
{
    const QString project = dir_.filePath(QStringLiteral("dialogs.kdp"));
    WriteProject(project, 480, 272, 16, 1);
    CAppFrame frame;
    frame.show();

    // Open: both project forms together, each alone, then all files.
    ModalDriver open;
    open.Then([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->nameFilters(),
                 (QStringList{QStringLiteral("KDX触屏工程文件和文本文件(*.kdp *.kdpj)"),
                              QStringLiteral("KDX触屏工程文件(*.kdp)"), QStringLiteral("KDX触屏工程文本文件(*.kdpj)"),
                              QStringLiteral("所有文件 (*.*)")}));
        dialog->setDirectory(dir_.path());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("dialogs.kdp"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    open.Run([&] { frame.ExecuteCommand(ID_FILE_OPEN); });
    QCOMPARE(open.unused(), 0);
    QCOMPARE(frame.PathName(), project);

    // Compile output: its own title and filter; a bare name gets ".kdpbin".
    FakeCompilePane pane;
    frame.OutputPane()->SetCompilePane(&pane, new QWidget);
    ModalDriver compile;
    compile.Then([&](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("编译输出文件"));
        QCOMPARE(dialog->nameFilters(), (QStringList{QStringLiteral("KDX触屏工程编译文件(*.kdpbin)"),
                                                     QStringLiteral("所有文件(*)")}));
        dialog->setDirectory(dir_.path());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("firmware"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    compile.Run([&] { frame.ExecuteCommand(ID_PROJECT_COMPILE); });
    QCOMPARE(compile.unused(), 0);
    QCOMPARE(pane.project, project);
    QCOMPARE(pane.output, dir_.filePath(QStringLiteral("firmware.kdpbin")));
}

void FrameTest::panesShowHideWithCheckMarks()
{
    TestFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.UpdateCommandUI();
    QVERIFY(frame.PageListPane()->isVisible());
    QVERIFY(frame.PropertyPane()->isVisible());
    QVERIFY(!frame.OutputPane()->isVisible());
    QVERIFY(frame.Action(ID_VIEW_PAGE_LIST)->isChecked());
    QVERIFY(!frame.Action(ID_VIEW_OUTPUT)->isChecked());
    QCOMPARE(frame.dockWidgetArea(frame.PageListPane()), Qt::LeftDockWidgetArea);
    QCOMPARE(frame.dockWidgetArea(frame.PropertyPane()), Qt::RightDockWidgetArea);
    QCOMPARE(frame.dockWidgetArea(frame.OutputPane()), Qt::BottomDockWidgetArea);
    QCOMPARE(frame.PageListPane()->TabStrip()->tabText(0), QStringLiteral("页面"));
    QCOMPARE(frame.PropertyPane()->TabStrip()->tabText(0), QStringLiteral("属性"));
    QCOMPARE(frame.OutputPane()->TabStrip()->tabText(0), QStringLiteral("编译"));

    frame.ExecuteCommand(ID_VIEW_OUTPUT);
    QVERIFY(frame.OutputPane()->isVisible());
    QVERIFY(frame.Action(ID_VIEW_OUTPUT)->isChecked());

    // Closing from the tab strip hides the pane; the view menu shows it again.
    emit frame.PageListPane()->TabStrip()->tabCloseRequested(0);
    QVERIFY(!frame.PageListPane()->isVisible());
    frame.UpdateCommandUI();
    QVERIFY(!frame.Action(ID_VIEW_PAGE_LIST)->isChecked());
    frame.ExecuteCommand(ID_VIEW_PAGE_LIST);
    QVERIFY(frame.PageListPane()->isVisible());
    QVERIFY(frame.Action(ID_VIEW_PAGE_LIST)->isChecked());
}

void FrameTest::barLayoutPersists()
{
    {
        TestFrame frame;
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.ExecuteCommand(ID_VIEW_PROPERTIES);
        frame.ExecuteCommand(ID_VIEW_OUTPUT);
        QVERIFY(frame.close());
    }
    QVERIFY(EditorSettings()->contains(QStringLiteral("BarState")));
    TestFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(!frame.PropertyPane()->isVisible());
    QVERIFY(frame.OutputPane()->isVisible());
    QVERIFY(frame.PageListPane()->isVisible());
}

void FrameTest::droppedFilesOpenOneAfterAnother()
{
    const QString first = dir_.filePath(QStringLiteral("first.kdp"));
    const QString second = dir_.filePath(QStringLiteral("second.kdp"));
    WriteProject(first, 320, 240, 16, 1);
    WriteProject(second, 640, 480, 16, 2);
    TestFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    QCOMPARE(frame.PathName(), second);
    QCOMPARE(frame.Document().PageCount(), size_t(2));
    QCOMPARE(frame.RecentFiles(), (QStringList{second, first}));
}

} // namespace kdx::test
