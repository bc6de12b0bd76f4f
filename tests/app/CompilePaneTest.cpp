#include "CompilePaneTest.h"

#include "AppTestSupport.h"
#include "app/frame/CMyStatusBar.h"
#include "app/panes/CPaneCompile.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "channel/CompileSession.h"
#include "common/EditorSettingsKeys.h"
#include "compile/CompilerDriver.h"
#include "model/PageDoc.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <memory>

namespace kdx::test {
namespace {

const QString kCompiler = QStringLiteral(KDX_BIN_DIR "/KDX_TC");
const QString kExample = QStringLiteral(KDX_SOURCE_DIR "/examples/demo/demo.kdp");
constexpr int kCompileTimeoutMs = 60000;

QString SessionText(int id)
{
    return QString::fromStdU16String(CompileSession::Text(id));
}

// The compiler's first message.
QString Banner()
{
    return QString::fromStdU16String(CompilerBanner());
}

bool IsError(const QString& text)
{
    return text.startsWith(u'*') || text.contains(QStringLiteral("\r\n*"));
}

QAction* MenuAction(QMenu* menu, int id)
{
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->data().toInt() == id)
            return action;
    return nullptr;
}

QString StatusText(const CAppFrame& frame)
{
    return frame.StatusBar()->PaneAt(0).text;
}

// A frame with its compile pane running this build's compiler, recording
// every text the pane receives in order.
struct CompileFrame {
    TestFrame frame;
    CPaneCompile* pane = nullptr;
    QStringList texts;
    std::function<void(const QString&)> onText;

    CompileFrame()
    {
        pane = frame.CreateCompilePane();
        pane->SetCompilerPath(kCompiler);
        QObject::connect(pane, &CPaneCompile::TextAppended, pane, [this](const QString& text) {
            texts << text;
            if (onText)
                onText(text);
        });
    }

    bool WaitForEnd() { return QTest::qWaitFor([this] { return !pane->IsCompiling(); }, kCompileTimeoutMs); }
    // The frame on screen with the pane tall enough to double-click in.
    bool ShowWithPane()
    {
        frame.resize(1000, 800);
        frame.show();
        frame.OutputPane()->show();
        frame.resizeDocks({frame.OutputPane()}, {400}, Qt::Vertical);
        return QTest::qWaitForWindowExposed(&frame);
    }
};

void DoubleClickLine(CPaneCompile* pane, int line)
{
    pane->SetCaret(line, 0); // brings the line into view
    const QPoint at = pane->PointOf(line, 1) + QPoint(2, 4);
    QVERIFY(pane->viewport()->rect().contains(at));
    QTest::mouseDClick(pane->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

} // namespace

void CompilePaneTest::init()
{
    QVERIFY(dir_.isValid());
    QVERIFY2(QFileInfo(kCompiler).isExecutable(), "the compiler of this build is missing");
    // These tests look at the compiler's own messages; the project check
    // before compiling has tests of its own below.
    EditorSettings()->setValue(QLatin1String(kCheckBeforeCompileKey), false);
}

void CompilePaneTest::successfulCompileIsRememberedForTheSimulator()
{
    auto remembered = [&] {
        return QSettings(QStringLiteral("ZOV"), EditorString(IDS_APP_TITLE)).value(QLatin1String(kLastCompiledFileKey)).toString();
    };
    CompileFrame f;
    f.frame.saveAnswer = dir_.filePath(QStringLiteral("sim.kdp"));
    f.frame.compileAnswer = dir_.filePath(QStringLiteral("sim.kdpbin"));
    f.frame.Document().AddPage();
    f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QVERIFY(f.WaitForEnd());
    QCOMPARE(remembered(), f.frame.compileAnswer);

    // A compile that writes nothing leaves the last good file remembered.
    f.frame.compileAnswer = dir_.filePath(QStringLiteral("absent/sim.kdpbin"));
    f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QVERIFY(f.WaitForEnd());
    QVERIFY(f.pane->Text().contains(QLatin1Char('*')));
    QCOMPARE(remembered(), dir_.filePath(QStringLiteral("sim.kdpbin")));
}

void CompilePaneTest::compilesExampleShowingMessagesInOrder()
{
    if (!QFile::exists(kExample))
        QSKIP("the example project is not in this checkout");
    CompileFrame f;
    f.frame.show();
    QVERIFY(f.frame.OpenDocumentFile(kExample));
    f.pane->AppendText(QStringLiteral("the last compilation's output\r\n"));
    f.texts.clear();
    f.frame.compileAnswer = dir_.filePath(QStringLiteral("demo.kdpbin"));

    // While the compiler waits for its first message to be taken, a second
    // compilation is refused and leaves this one's output alone.
    bool refused = false;
    QString textBefore, textAfter;
    f.onText = [&](const QString&) {
        if (f.texts.size() != 1)
            return;
        refused = f.frame.OutputPane()->AcquireCompilePane() == nullptr;
        textBefore = f.pane->Text();
        f.pane->StartCompile(dir_.filePath(QStringLiteral("other.kdp")), dir_.filePath(QStringLiteral("o.kdpbin")));
        textAfter = f.pane->Text();
    };
    f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QVERIFY(f.pane->IsCompiling());
    QVERIFY(f.frame.OutputPane()->isVisible());
    QVERIFY(!f.frame.Action(ID_PROJECT_COMPILE)->isEnabled());
    QVERIFY(f.pane->Text().isEmpty());
    QVERIFY(f.WaitForEnd());

    QVERIFY(refused);
    QCOMPARE(textAfter, textBefore);
    QCOMPARE(StatusText(f.frame), EditorString(IDS_NO_COMPILE_PANE));

    // Every message arrived whole, once and in order, the first one first
    // in the pane, and the end notice last; this project compiles cleanly.
    QVERIFY(f.texts.size() >= 3);
    QCOMPARE(f.texts.join(QString()), f.pane->Text());
    QCOMPARE(f.pane->LineText(0), Banner().section(QStringLiteral("\r\n"), 0, 0));
    QCOMPARE(f.texts.first(), Banner());
    QCOMPARE(f.texts.last(), SessionText(CompileSession::kEnded));
    for (const QString& text : f.texts) {
        QVERIFY2(text.endsWith(QStringLiteral("\r\n")), qPrintable(text));
        QVERIFY2(!IsError(text), qPrintable(text));
    }
    QVERIFY(QFileInfo(f.frame.compileAnswer).size() > 0);

    // The pane is free again.
    QCOMPARE(f.frame.OutputPane()->AcquireCompilePane(), static_cast<ICompilePane*>(f.pane));
    f.frame.UpdateCommandUI();
    QVERIFY(f.frame.Action(ID_PROJECT_COMPILE)->isEnabled());
}

void CompilePaneTest::startFailuresLeaveThePaneUsable()
{
    CompileFrame f;
    const QString project = dir_.filePath(QStringLiteral("small.kdp"));
    WriteProject(project, 480, 272, 16, 1);
    const QString output = dir_.filePath(QStringLiteral("small.kdpbin"));

    f.pane->SetCompilerPath(dir_.filePath(QStringLiteral("absent/KDX_TC")));
    f.pane->StartCompile(project, output);
    QCOMPARE(f.pane->Text(), QStringLiteral("*未能加载外部组件，请确保“KDX_TC”在当前目录\r\n"));
    QVERIFY(!f.pane->IsCompiling());
    QVERIFY(f.frame.OutputPane()->AcquireCompilePane());

    f.pane->SetCompilerPath(kCompiler);
    f.pane->StartCompile(QString(), output);
    QCOMPARE(f.pane->Text(), SessionText(CompileSession::kPathMissing));
    QVERIFY(f.frame.OutputPane()->AcquireCompilePane());

    // A compiler that ends without a word still ends the output.
    f.pane->SetCompilerPath(QStringLiteral("/bin/true"));
    f.pane->StartCompile(project, output);
    QVERIFY(f.WaitForEnd());
    QCOMPARE(f.pane->Text(), SessionText(CompileSession::kEnded));

    // A project the compiler cannot read: its error, then the end.
    f.pane->SetCompilerPath(kCompiler);
    f.pane->StartCompile(dir_.filePath(QStringLiteral("absent.kdp")), output);
    QVERIFY(f.WaitForEnd());
    QVERIFY(IsError(f.pane->Text()));
    QVERIFY(f.pane->Text().endsWith(SessionText(CompileSession::kEnded)));

    // And the real compile after all that.
    f.pane->StartCompile(project, output);
    QVERIFY(f.WaitForEnd());
    QVERIFY(f.pane->Text().startsWith(Banner()));
    QVERIFY(!IsError(f.pane->Text()));
    QVERIFY(f.pane->Text().endsWith(SessionText(CompileSession::kEnded)));
    QVERIFY(QFileInfo(output).size() > 0);
}

void CompilePaneTest::cancelFromMenuEndsWithCancelNotice()
{
    CompileFrame f;
    const QString project = dir_.filePath(QStringLiteral("cancel.kdp"));
    WriteProject(project, 480, 272, 16, 3);
    bool offered = false;
    f.onText = [&](const QString&) {
        if (f.texts.size() != 1)
            return;
        // The user picks the menu's cancel while the first message shows.
        std::unique_ptr<QMenu> menu(f.pane->CreatePaneMenu(nullptr));
        QAction* cancel = MenuAction(menu.get(), CPaneCompile::ID_CANCEL_COMPILE);
        QVERIFY(cancel);
        offered = cancel->isEnabled();
        cancel->trigger();
    };
    f.pane->StartCompile(project, dir_.filePath(QStringLiteral("cancel.kdpbin")));
    QVERIFY(f.WaitForEnd());

    QVERIFY(offered);
    QCOMPARE(f.texts.size(), 2);
    QCOMPARE(f.texts[0], Banner());
    QCOMPARE(f.texts[1], SessionText(CompileSession::kCancelled));
    std::unique_ptr<QMenu> menu(f.pane->CreatePaneMenu(nullptr));
    QAction* cancel = MenuAction(menu.get(), CPaneCompile::ID_CANCEL_COMPILE);
    QVERIFY(cancel);
    QVERIFY(!cancel->isEnabled());
}

void CompilePaneTest::cancelWaitsForTheMonitorWithoutDeadlock()
{
    CompileFrame f;
    const QString project = dir_.filePath(QStringLiteral("wait.kdp"));
    WriteProject(project, 480, 272, 16, 2);
    const QString output = dir_.filePath(QStringLiteral("wait.kdpbin"));
    f.pane->StartCompile(project, output);
    QVERIFY(f.pane->MonitorRunning());
    // The monitor's last text needs this thread: the wait must serve it.
    f.pane->CancelCompile();
    QVERIFY(!f.pane->MonitorRunning());
    QVERIFY(!f.texts.isEmpty());
    QVERIFY(f.texts.last() == SessionText(CompileSession::kCancelled)
            || f.texts.last() == SessionText(CompileSession::kEnded));

    // Cancelling when nothing runs does nothing; the pane compiles again.
    f.pane->CancelCompile();
    f.pane->StartCompile(project, output);
    QVERIFY(f.WaitForEnd());
    QCOMPARE(f.texts.last(), SessionText(CompileSession::kEnded));
}

void CompilePaneTest::closingOrDestroyingTheFrameWhileCompiling()
{
    const QString project = dir_.filePath(QStringLiteral("close.kdp"));
    WriteProject(project, 480, 272, 16, 2);
    {
        CompileFrame f;
        f.frame.show();
        QVERIFY(f.frame.OpenDocumentFile(project));
        f.frame.compileAnswer = dir_.filePath(QStringLiteral("close.kdpbin"));
        f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
        QVERIFY(f.pane->IsCompiling());
        QVERIFY(f.frame.close());
        QVERIFY(!f.pane->MonitorRunning());
        QVERIFY(f.texts.last() == SessionText(CompileSession::kCancelled)
                || f.texts.last() == SessionText(CompileSession::kEnded));
    }
    {
        auto f = std::make_unique<CompileFrame>();
        f->pane->StartCompile(project, dir_.filePath(QStringLiteral("gone.kdpbin")));
        QVERIFY(f->pane->IsCompiling());
        f.reset(); // returns: the monitor ended while the windows were whole
    }
}

void CompilePaneTest::menusOfferCancelOnlyWhileRunning()
{
    CompileFrame f;
    f.frame.show();
    f.frame.OutputPane()->show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));

    // The output pane's drop-down button shows the compile pane's menu.
    f.frame.OutputPane()->MenuButton()->click();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->objectName(), QStringLiteral("142"));
    QAction* cancel = MenuAction(menu, CPaneCompile::ID_CANCEL_COMPILE);
    QVERIFY(cancel);
    QCOMPARE(cancel->text(), QStringLiteral("取消编译(&O)"));
    QVERIFY(!cancel->isEnabled());
    QAction* idleClear = MenuAction(menu, CPaneCompile::ID_CLEAR_ALL);
    QVERIFY(idleClear);
    QVERIFY(!idleClear->isEnabled());
    menu->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());

    // The right button on the text opens it too; "清空(&D)" empties the
    // read-only pane.
    f.pane->AppendText(QStringLiteral(">一行\r\n>两行\r\n"));
    QTest::mousePress(f.pane->viewport(), Qt::RightButton, Qt::NoModifier, f.pane->PointOf(0, 1));
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction* clear = MenuAction(menu, CPaneCompile::ID_CLEAR_ALL);
    QVERIFY(clear);
    QCOMPARE(clear->text(), QStringLiteral("清空(&D)"));
    QVERIFY(clear->isEnabled());
    QAction* busyCancel = MenuAction(menu, CPaneCompile::ID_CANCEL_COMPILE);
    QVERIFY(busyCancel);
    QVERIFY(!busyCancel->isEnabled());
    clear->trigger();
    menu->close();
    QCOMPARE(f.pane->TextLength(), 0);
}

void CompilePaneTest::outputStaysReadOnlyAndKeepsSelectedText()
{
    CPaneCompile pane;
    pane.resize(400, 200);
    pane.show();
    pane.AppendText(QStringLiteral(">第一行\r\n"));
    QTest::keyClicks(&pane, QStringLiteral("xy"));
    QTest::keyClick(&pane, Qt::Key_Backspace);
    QCOMPARE(pane.Text(), QStringLiteral(">第一行\r\n"));

    // A selection made to copy a message survives the next message.
    pane.Select(0, 0, 0, 3);
    pane.AppendText(QStringLiteral(">第二行\r\n"));
    QCOMPARE(pane.Text(), QStringLiteral(">第一行\r\n>第二行\r\n"));
    QVERIFY(pane.IsReadOnly());
    QVERIFY(!pane.CanUndo());
}

void CompilePaneTest::doubleClickLocatesPagesAndObjects()
{
    CompileFrame f;
    QVERIFY(f.ShowWithPane());

    CPageDoc& doc = f.frame.Document();
    CPage* first = doc.AddPage();
    CPage* second = doc.AddPage();
    CPage* third = doc.AddPage();
    QVERIFY(doc.SetPageId(second, 0x1A));
    doc.SetCurrentPage(third);
    CDrawObj* target = doc.AddObject(std::make_unique<CDrawRect>(PageRect{0, 0, 10, 10}));
    target->SetObjectId(0xFF);
    doc.SetCurrentPage(first);
    QList<CDrawObj*> selected;
    f.pane->SetObjectSelector([&](CDrawObj* object) {
        selected << object;
        return true;
    });

    f.pane->AppendText(QStringLiteral("!(PID=1A)页面没有对象(双击定位)\r\n"
                                      "*(iid=ff)对象超出屏幕(双击定位)\r\n"
                                      "!(pid=1a\r\n"
                                      "!(PID=7FFF)页面没有对象(双击定位)\r\n"
                                      "!(IID=ABCD)对象超出屏幕(双击定位)\r\n"));
    DoubleClickLine(f.pane, 0);
    QCOMPARE(doc.CurrentPage(), second);
    DoubleClickLine(f.pane, 1);
    QCOMPARE(doc.CurrentPage(), third);
    QCOMPARE(selected, QList<CDrawObj*>{target});
    // Eight units are enough.
    DoubleClickLine(f.pane, 2);
    QCOMPARE(doc.CurrentPage(), second);

    // Identifiers that no longer exist: a notice only.
    doc.SetCurrentPage(first);
    const QString text = f.pane->Text();
    DoubleClickLine(f.pane, 3);
    QCOMPARE(StatusText(f.frame), EditorString(IDS_PAGE_NOT_FOUND));
    QCOMPARE(doc.CurrentPage(), first);
    DoubleClickLine(f.pane, 4);
    QCOMPARE(StatusText(f.frame), EditorString(IDS_OBJECT_NOT_FOUND));
    QCOMPARE(doc.CurrentPage(), first);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(f.pane->Text(), text);

    // Without a view to select in, the object's page still comes up.
    f.pane->SetObjectSelector({});
    QVERIFY(!f.pane->LocateObject(0xFF));
    QCOMPARE(doc.CurrentPage(), third);
}

void CompilePaneTest::doubleClickFindsPictureAndJumpFailures()
{
    CompileFrame f;
    QVERIFY(f.ShowWithPane());
    const auto picture = [&](const QString& name) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QString path = dir_.filePath(name);
        return image.save(path) ? path : QString();
    };
    CPageDoc& doc = f.frame.Document();
    CPage* first = doc.AddPage();
    CPage* second = doc.AddPage();
    CPage* third = doc.AddPage();
    QVERIFY(doc.SetPageBackgroundImage(second, picture(QStringLiteral("bg.png"))));
    doc.SetCurrentPage(second);
    const auto addImage = [&](const QString& normal) {
        auto* image = static_cast<CDrawImage*>(doc.AddObject(std::make_unique<CDrawImage>(PageRect{0, 0, 4, 4})));
        image->SetNormalImage(normal);
        return image;
    };
    addImage(picture(QStringLiteral("ok.png")));
    CDrawImage* broken = addImage(picture(QStringLiteral("gone “1”.png")));
    addImage(broken->NormalImage()->path);
    doc.SetCurrentPage(third);
    doc.AddObject(std::make_unique<CDrawRect>(PageRect{0, 0, 4, 4}))->SetJumpTarget(first->PageId());
    CDrawObj* lost = doc.AddObject(std::make_unique<CDrawRect>(PageRect{0, 0, 4, 4}));
    lost->SetJumpTarget(0x77);
    doc.AddObject(std::make_unique<CDrawRect>(PageRect{0, 0, 4, 4}))->SetJumpTarget(0x78);
    QVERIFY(QFile::remove(broken->NormalImage()->path));
    doc.SetCurrentPage(first);
    QList<CDrawObj*> selected;
    f.pane->SetObjectSelector([&](CDrawObj* object) {
        selected << object;
        return true;
    });

    // The compiler's own messages, one compile for each problem.
    const auto compileAndClick = [&](const QString& start) {
        f.frame.saveAnswer = dir_.filePath(QStringLiteral("locate.kdp"));
        f.frame.compileAnswer = dir_.filePath(QStringLiteral("locate.kdpbin"));
        f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
        QVERIFY(f.WaitForEnd());
        for (int line = 0; line < f.pane->GetLineCount(); ++line)
            if (f.pane->LineText(line).startsWith(start))
                return DoubleClickLine(f.pane, line);
        QFAIL(qPrintable(f.pane->Text()));
    };
    compileAndClick(QStringLiteral("*未能加载图象文件“"));
    QCOMPARE(doc.CurrentPage(), second);
    QCOMPARE(selected, QList<CDrawObj*>{broken});

    picture(QStringLiteral("gone “1”.png"));
    doc.SetCurrentPage(first);
    compileAndClick(QStringLiteral("*发生未知错误，无法匹配页面对象"));
    QCOMPARE(doc.CurrentPage(), third);
    QCOMPARE(selected, (QList<CDrawObj*>{broken, lost}));

    // A page background comes before the page's objects; a picture nobody
    // uses any more names nothing.
    doc.SetCurrentPage(first);
    f.pane->ClearAll();
    f.pane->AppendText(QStringLiteral("*未能加载图象文件“%1”：图象已经损坏\r\n"
                                      "*图象文件“%2”过大（70000 x 1像素），无法加载\r\n"
                                      "*未能加载图象文件“nowhere.png”：文件不存在\r\n")
                           .arg(dir_.filePath(QStringLiteral("bg.png")), dir_.filePath(QStringLiteral("ok.png"))));
    QVERIFY(f.pane->LocateFromLine(0));
    QCOMPARE(doc.CurrentPage(), second);
    QCOMPARE(selected.size(), 2);
    QVERIFY(f.pane->LocateFromLine(1));
    QCOMPARE(selected.size(), 3);
    QVERIFY(!f.pane->LocateFromLine(2));
    QCOMPARE(StatusText(f.frame), EditorString(IDS_OBJECT_NOT_FOUND));
}

void CompilePaneTest::messagesShowAsMessages()
{
    CompileFrame f;
    QVERIFY(!f.pane->LineEndsShown());
    QVERIFY(!f.pane->SpacesAndTabsShown());
    auto standalone = std::make_unique<CPaneCompile>();
    CPaneCompile* pane = standalone.get();
    pane->resize(500, 200);
    pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(pane));
    pane->AppendText(QStringLiteral("*错误\r\n!警告\r\n>已经生成文件\r\n"));
    pane->SetCaret(3, 0);
    // The hues each line's glyphs are drawn in (smoothed edges blend the
    // colour with the background, so hues rather than exact colours).
    enum Hue { kRed = 1, kOrange = 2 };
    const QImage shot = pane->viewport()->grab().toImage();
    const auto hues = [&](int line) {
        int found = 0;
        const QPoint at = pane->PointOf(line, 0);
        for (int y = at.y(); y < pane->PointOf(line + 1, 0).y(); ++y)
            for (int x = at.x(); x < at.x() + 60 && x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                if (c.red() - c.green() > 60 && std::abs(c.green() - c.blue()) < 20)
                    found |= kRed;
                if (c.red() - c.blue() > 60 && c.green() - c.blue() > 25)
                    found |= kOrange;
            }
        return found;
    };
    QCOMPARE(hues(0), int(kRed));
    QCOMPARE(hues(1), int(kOrange));
    QCOMPARE(hues(2), 0);

    // Another project: the messages of the last one go.
    const QString other = dir_.filePath(QStringLiteral("other.kdp"));
    WriteProject(other, 480, 272, 16, 1);
    f.pane->AppendText(QStringLiteral("*错误\r\n"));
    QVERIFY(f.frame.OpenDocumentFile(other));
    QCOMPARE(f.pane->TextLength(), int64_t(0));
}

void CompilePaneTest::linesThatNameNothingAreIgnored()
{
    CompileFrame f;
    CPageDoc& doc = f.frame.Document();
    CPage* first = doc.AddPage();
    CPage* other = doc.AddPage();
    QVERIFY(doc.SetPageId(other, 1));
    doc.SetCurrentPage(first);
    f.pane->AppendText(QStringLiteral("!(PID=1\r\n"                    // seven units
                                      ">(PID=1)正在编译(双击定位)\r\n"  // progress
                                      "!(XID=1)其他(双击定位)\r\n"
                                      "!(PID=)没有编号(双击定位)\r\n"
                                      "编译(PID=1)(双击定位)\r\n"
                                      "\r\n"));
    ShowStatusMessage(kStatusPlain, QStringLiteral("idle"));
    for (int line = 0; line < f.pane->GetLineCount(); ++line) {
        QVERIFY2(!f.pane->LocateFromLine(line), qPrintable(f.pane->LineText(line)));
        QCOMPARE(doc.CurrentPage(), first);
        QCOMPARE(StatusText(f.frame), QStringLiteral("idle"));
    }
    // Out of range lines and a pane without a document are harmless.
    QVERIFY(!f.pane->LocateFromLine(-1));
    QVERIFY(!f.pane->LocateFromLine(1000));
    f.pane->SetDocument(nullptr);
    QVERIFY(!f.pane->LocatePage(1));
    QVERIFY(!f.pane->LocateObject(1));
}

void CompilePaneTest::projectCheckShowsFindingsThatLocate()
{
    CompileFrame f;
    f.frame.resize(1000, 800);
    f.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.frame));
    CPageDoc& doc = f.frame.Document();
    CPage* home = doc.AddPage();
    CPage* other = doc.AddPage();
    doc.SetPageBackgroundColor(home, 0);
    doc.SetPageBackgroundColor(other, 0);
    doc.SetCurrentPage(other);
    CDrawObj* broken = doc.AddObject(std::make_unique<CDrawCustom>(PageRect{0, 0, 40, 40}));
    broken->SetJumpTarget(77);
    doc.SetCurrentPage(home);
    doc.AddObject(std::make_unique<CDrawCustom>(PageRect{0, 0, 40, 40}))->SetJumpTarget(other->PageId());
    QList<CDrawObj*> selected;
    f.pane->SetObjectSelector([&](CDrawObj* object) {
        selected << object;
        return true;
    });

    f.frame.ExecuteCommand(ID_PROJECT_CHECK);
    QVERIFY(f.frame.OutputPane()->isVisible());
    const QString marker = QStringLiteral("*(IID=%1)").arg(QString::number(broken->ObjectId(), 16).toUpper());
    int line = -1;
    for (int i = 0; i < f.pane->GetLineCount(); ++i)
        if (f.pane->LineText(i).startsWith(marker))
            line = i;
    QVERIFY2(line >= 0, qPrintable(f.pane->Text()));
    QVERIFY(f.pane->LineText(line).contains(QStringLiteral("[jump-target]")));
    QVERIFY(f.pane->Text().contains(QString::fromUtf16(u">检查完毕：1个错误，0个警告")));
    DoubleClickLine(f.pane, line);
    QCOMPARE(doc.CurrentPage(), other);
    QCOMPARE(selected, QList<CDrawObj*>{broken});

    // A second check replaces the first one's report.
    broken->SetJumpTarget(home->PageId());
    f.frame.ExecuteCommand(ID_PROJECT_CHECK);
    QVERIFY(!f.pane->Text().contains(marker));
    QVERIFY(f.pane->Text().contains(QString::fromUtf16(u">检查完毕：0个错误，0个警告")));
}

void CompilePaneTest::projectCheckRunsBeforeCompileUnlessTurnedOff()
{
    EditorSettings()->remove(QLatin1String(kCheckBeforeCompileKey));
    {
        CompileFrame f;
        f.frame.saveAnswer = dir_.filePath(QStringLiteral("checked.kdp"));
        f.frame.compileAnswer = dir_.filePath(QStringLiteral("checked.kdpbin"));
        f.frame.Document().AddPage(); // an empty page: one warning
        f.frame.UpdateCommandUI();
        QVERIFY(f.frame.Action(ID_PROJECT_CHECK_BEFORE_COMPILE)->isChecked());
        f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
        QVERIFY(f.WaitForEnd());
        QVERIFY(f.texts.size() >= 2);
        QVERIFY2(f.texts.first().contains(QStringLiteral("[empty-page]")), qPrintable(f.texts.first()));
        QCOMPARE(f.texts.at(1), Banner());

        f.frame.ExecuteCommand(ID_PROJECT_CHECK_BEFORE_COMPILE);
        f.frame.UpdateCommandUI();
        QVERIFY(!f.frame.Action(ID_PROJECT_CHECK_BEFORE_COMPILE)->isChecked());
    }
    // The choice is kept for the next session.
    CompileFrame f;
    f.frame.saveAnswer = dir_.filePath(QStringLiteral("unchecked.kdp"));
    f.frame.compileAnswer = dir_.filePath(QStringLiteral("unchecked.kdpbin"));
    f.frame.Document().AddPage();
    f.frame.ExecuteCommand(ID_PROJECT_COMPILE);
    QVERIFY(f.WaitForEnd());
    QCOMPARE(f.texts.first(), Banner());
    QVERIFY(!f.pane->Text().contains(QStringLiteral("[empty-page]")));
}

} // namespace kdx::test
