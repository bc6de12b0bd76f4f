#include "CommandTest.h"

#include "AppTestSupport.h"
#include "app/frame/CMyStatusBar.h"
#include "app/frame/CommandRegistry.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/page/PageCommands.h"
#include "model/PageDoc.h"

#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <set>

namespace kdx::test {
namespace {

class FakePageView : public IPageCommandTarget {
public:
    int selected = 0;
    bool grid = false;
    int tool = ID_TOOL_FIRST;
    std::vector<int> received;
    QWidget widget;
    QWidget* ViewWidget() override { return &widget; }
    int SelectionCount() const override { return selected; }
    bool IsGridShown() const override { return grid; }
    int CurrentToolCommand() const override { return tool; }
    void OnPageCommand(int id) override { received.push_back(id); }
};

std::vector<int> ToolbarIds(const QToolBar* bar)
{
    std::vector<int> ids;
    for (const QAction* action : bar->actions())
        ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
    return ids;
}

} // namespace

void CommandTest::init()
{
    EditorSettings()->clear();
}

void CommandTest::menuHasEveryCommandWithTextAndAccelerator()
{
    TestFrame frame;
    const QList<QAction*> tops = frame.menuBar()->actions();
    const auto menus = MainMenu();
    QCOMPARE(tops.size(), qsizetype(menus.size()));
    std::set<int> seen;
    for (size_t m = 0; m < menus.size(); ++m) {
        QCOMPARE(tops[qsizetype(m)]->text(), QString::fromUtf16(menus[m].text));
        const QList<QAction*> actions = tops[qsizetype(m)]->menu()->actions();
        QCOMPARE(actions.size(), qsizetype(menus[m].items.size()));
        for (qsizetype i = 0; i < actions.size(); ++i) {
            const MenuItem& item = menus[m].items[size_t(i)];
            QCOMPARE(actions[i]->isSeparator(), item.id == 0);
            if (item.id == 0)
                continue;
            QCOMPARE(actions[i], frame.Action(item.id));
            QCOMPARE(actions[i]->text(), MenuItemText(item));
            QVERIFY2(HasEditorString(item.id), qPrintable(QString::number(item.id)));
            QCOMPARE(actions[i]->statusTip(), CommandPrompt(item.id));
            if (item.id != ID_FILE_MRU_FIRST)
                QVERIFY2(!actions[i]->icon().isNull(), qPrintable(QString::number(item.id)));
            seen.insert(item.id);
        }
    }
    // Every command family is present.
    for (int id : {57600, 57601, 57603, 57604, 57616, 57665, 57643, 57644, 57634, 57637, 57635, 57632,
                   57642, 40100, 40101, 40102, 40550, 40551, 40552})
        QVERIFY2(seen.count(id), qPrintable(QString::number(id)));
    for (int id = 40401; id <= 40411; ++id)
        QVERIFY(seen.count(id));
    for (int id = 40501; id <= 40517; ++id)
        QVERIFY(seen.count(id));

    const std::pair<int, const char*> keys[] = {
        {57600, "Ctrl+N"}, {57601, "Ctrl+O"}, {57603, "Ctrl+S"}, {57643, "Ctrl+Z"}, {57644, "Ctrl+Y"},
        {57634, "Ctrl+C"}, {57635, "Ctrl+X"}, {57637, "Ctrl+V"}, {57642, "Ctrl+A"}};
    for (const auto& [id, key] : keys)
        QCOMPARE(frame.Action(id)->shortcut(), QKeySequence(QString::fromLatin1(key)));
    QCOMPARE(CommandPrompt(40516), QStringLiteral("显示或隐藏网格"));
    QCOMPARE(CommandToolTip(40516), QStringLiteral("网格"));
    QCOMPARE(frame.Action(40516)->toolTip(), QStringLiteral("网格"));
}

void CommandTest::everyShownCommandIsRegistered()
{
    // An entry without a command would stay enabled and do nothing.
    TestFrame frame;
    delete frame.BuildPageContextMenu(); // makes the context menu's own entry
    std::vector<int> shown(AllCommandIds().begin(), AllCommandIds().end());
    for (std::span<const int> ids : {StandardToolbarButtons(), LayoutToolbarButtons(), PageContextMenu(),
                                     AlignmentSubmenu()})
        shown.insert(shown.end(), ids.begin(), ids.end());
    const CCommandRegistry& commands = frame.Commands();
    for (int id : shown) {
        if (id <= 0)
            continue;
        QVERIFY2(commands.Contains(id), qPrintable(QString::number(id)));
        QVERIFY2(commands.Action(id) && commands.Action(id)->data().toInt() == id, qPrintable(QString::number(id)));
    }
    // Triggering an action runs its command; its rule is asked first.
    frame.Document().SetCurrentPage(frame.Document().AddPage());
    const int pages = frame.Document().PageCount();
    commands.Action(ID_PAGE_ADD)->trigger();
    QCOMPARE(frame.Document().PageCount(), pages + 1);
    frame.Document().SetCurrentPage(nullptr);
    frame.UpdateCommandUI();
    QVERIFY(!commands.Action(ID_TOOL_RECT)->isEnabled());
    QVERIFY(!commands.IsEnabled(ID_TOOL_RECT));
}

void CommandTest::fileAndEditRules()
{
    TestFrame frame;
    frame.UpdateCommandUI();
    for (int id : {57600, 57601, 57604, 57665, 40100, 40101, 40102, 40551, 40552})
        QVERIFY2(frame.Action(id)->isEnabled(), qPrintable(QString::number(id)));
    for (int id : {57603, 57616, 40550, 57632, 57642, 40401, 40516, 40517})
        QVERIFY2(!frame.Action(id)->isEnabled(), qPrintable(QString::number(id)));

    CPage* page = frame.Document().AddPage();
    frame.Document().SetCurrentPage(page);
    frame.UpdateCommandUI();
    QVERIFY(frame.Action(ID_FILE_SAVE)->isEnabled());
    QVERIFY(frame.Action(ID_PROJECT_COMPILE)->isEnabled());
    // Adding the page is a step to undo; nothing is undone or selected yet.
    QVERIFY(frame.Action(ID_EDIT_UNDO)->isEnabled());
    for (int id : {57644, 57634, 57635})
        QVERIFY(!frame.Action(id)->isEnabled());
    // The tools need a current page; the select tool is the checked one.
    for (int id = ID_TOOL_FIRST; id <= ID_TOOL_LAST; ++id) {
        QVERIFY(frame.Action(id)->isEnabled());
        QCOMPARE(frame.Action(id)->isChecked(), id == ID_TOOL_FIRST);
    }
    frame.ExecuteCommand(40406);
    QVERIFY(frame.Action(40406)->isChecked());
    QVERIFY(!frame.Action(40401)->isChecked());
    QVERIFY(!frame.Action(ID_EDIT_SELECT_ALL)->isEnabled()); // no objects on the page
}

void CommandTest::pageRulesFollowSelectionAndPage()
{
    TestFrame frame;
    FakePageView view;
    frame.SetPageView(&view);
    QCOMPARE(frame.centralWidget(), &view.widget);
    CPage* page = frame.Document().AddPage();
    frame.Document().SetCurrentPage(page);

    struct Case {
        int selected;
        std::set<int> enabled;
    };
    // With m = 0 objects on the page only the selection count matters for
    // align, centre, distribute and size; restacking needs m > 1.
    const std::set<int> always = {40401, 40516, 40517};
    const Case cases[] = {
        {0, {}},
        {1, {40509, 40510, 57632}},
        {2, {40505, 40506, 40507, 40508, 40509, 40510, 40513, 40514, 40515, 57632}},
        {3, {40505, 40506, 40507, 40508, 40509, 40510, 40511, 40512, 40513, 40514, 40515, 57632}},
    };
    for (const Case& c : cases) {
        view.selected = c.selected;
        frame.UpdateCommandUI();
        for (int id = 40501; id <= 40515; ++id)
            QVERIFY2(frame.Action(id)->isEnabled() == bool(c.enabled.count(id)),
                     qPrintable(QStringLiteral("n=%1 id=%2").arg(c.selected).arg(id)));
        QCOMPARE(frame.Action(57632)->isEnabled(), bool(c.enabled.count(57632)));
        for (int id : always)
            QVERIFY(frame.Action(id)->isEnabled());
    }

    view.grid = true;
    view.tool = 40410;
    frame.UpdateCommandUI();
    QVERIFY(frame.Action(ID_GRID_SHOW)->isChecked());
    QVERIFY(frame.Action(40410)->isChecked());
    QVERIFY(!frame.Action(40401)->isChecked());

    view.selected = 2;
    frame.UpdateCommandUI();
    frame.ExecuteCommand(ID_ALIGN_LEFT);
    frame.ExecuteCommand(ID_LAYOUT_UP); // disabled: not forwarded
    frame.ExecuteCommand(40405);
    QCOMPARE(view.received, (std::vector<int>{ID_ALIGN_LEFT, 40405}));

    // Without a current page every page command is off.
    frame.Document().SetCurrentPage(nullptr);
    frame.UpdateCommandUI();
    for (int id : {40401, 40505, 40509, 40516, 40517, 57642})
        QVERIFY(!frame.Action(id)->isEnabled());
    frame.SetPageView(nullptr);
}

void CommandTest::rulesAreEvaluatedBeforeMenuShows()
{
    TestFrame frame;
    frame.UpdateCommandUI();
    QVERIFY(!frame.Action(ID_FILE_SAVE)->isEnabled());
    frame.Document().SetModifiedFlag(true);
    QMenu* fileMenu = frame.menuBar()->actions().first()->menu();
    emit fileMenu->aboutToShow();
    QVERIFY(frame.Action(ID_FILE_SAVE)->isEnabled());
    // Toolbars follow on idle.
    frame.Document().SetModifiedFlag(false);
    QTRY_VERIFY_WITH_TIMEOUT(!frame.Action(ID_FILE_SAVE)->isEnabled(), 2000);
}

void CommandTest::toolbarsHoldButtonsInOrder()
{
    TestFrame frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const auto check = [&](QToolBar* bar, std::span<const int> expected) {
        QCOMPARE(ToolbarIds(bar), std::vector<int>(expected.begin(), expected.end()));
        QCOMPARE(bar->iconSize(), QSize(24, 24));
        for (QAction* action : bar->actions()) {
            if (action->isSeparator())
                continue;
            const int id = action->data().toInt();
            auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
            QVERIFY(button);
            QCOMPARE(button->size(), QSize(31, 30));
            QVERIFY2(!action->icon().isNull(), qPrintable(QString::number(id)));
            // Normal and disabled looks differ.
            const QImage normal = action->icon().pixmap(24, 24, QIcon::Normal).toImage();
            const QImage disabled = action->icon().pixmap(24, 24, QIcon::Disabled).toImage();
            QVERIFY(normal != disabled);
            QVERIFY(!action->toolTip().isEmpty());
            QCOMPARE(action->toolTip(), CommandToolTip(id));
        }
    };
    check(frame.StandardBar(), StandardToolbarButtons());
    check(frame.LayoutBar(), LayoutToolbarButtons());
    // The layout toolbar starts its own row below the standard one.
    QVERIFY(frame.LayoutBar()->geometry().top() >= frame.StandardBar()->geometry().bottom());
    QCOMPARE(frame.toolBarArea(frame.StandardBar()), Qt::TopToolBarArea);

    // Hovering a command shows its prompt in the message pane.
    CMyStatusBar* bar = frame.StatusBar();
    frame.Action(ID_FILE_OPEN)->showStatusText(frame.StandardBar());
    QCOMPARE(bar->MessageText(), CommandPrompt(ID_FILE_OPEN));
    bar->clearMessage();
    QCOMPARE(bar->MessageText(), EditorString(IDS_IDLE_MESSAGE));
}

void CommandTest::recentFileListInFileMenu()
{
    QTemporaryDir dir;
    TestFrame frame;
    QMenu* fileMenu = frame.menuBar()->actions().first()->menu();
    emit fileMenu->aboutToShow();
    QVERIFY(!frame.Action(ID_FILE_MRU_FIRST)->isEnabled());
    QCOMPARE(frame.Action(ID_FILE_MRU_FIRST)->text(), QStringLiteral("最近的文件"));

    const QString a = dir.filePath(QStringLiteral("a.kdp"));
    const QString b = dir.filePath(QStringLiteral("b.kdp"));
    WriteProject(a, 100, 100, 16, 1);
    WriteProject(b, 200, 100, 16, 2);
    QVERIFY(frame.OpenDocumentFile(a));
    QVERIFY(frame.OpenDocumentFile(b));
    emit fileMenu->aboutToShow();
    const QStringList texts = MenuTexts(fileMenu);
    QVERIFY(frame.Action(ID_FILE_MRU_FIRST)->isEnabled());
    QVERIFY(texts.contains(QStringLiteral("&1 ") + b));
    QVERIFY(texts.contains(QStringLiteral("&2 ") + a));
    // The second entry opens the older project.
    for (QAction* action : fileMenu->actions())
        if (action->text() == QStringLiteral("&2 ") + a)
            action->trigger();
    QCOMPARE(frame.PathName(), a);
    QCOMPARE(frame.Document().header.width, uint16_t(100));

    // An entry whose file has gone is reported and dropped.
    QVERIFY(QFile::remove(b));
    emit fileMenu->aboutToShow();
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    driver.Run([&] {
        for (QAction* action : fileMenu->actions())
            if (action->text() == QStringLiteral("&2 ") + b)
                action->trigger();
    });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(frame.RecentFiles(), QStringList{a});
    QCOMPARE(frame.PathName(), a);

    // So is one that no longer opens as a project.
    QFile damaged(a);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a project");
    damaged.close();
    emit fileMenu->aboutToShow();
    ModalDriver failure;
    failure.Answer(QMessageBox::Ok);
    failure.Run([&] { frame.Action(ID_FILE_MRU_FIRST)->trigger(); });
    QCOMPARE(failure.boxes.size(), size_t(1));
    QVERIFY(frame.RecentFiles().isEmpty());
}

void CommandTest::menuBarKeyboard()
{
    TestFrame frame;
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QMenuBar* bar = frame.menuBar();
    const QList<QAction*> tops = bar->actions();

    // Alt alone: keyboard mode on the first menu, no menu open.
    QTest::keyPress(&frame, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(&frame, Qt::Key_Alt);
    QTRY_COMPARE(bar->activeAction(), tops[0]);
    QVERIFY(!tops[0]->menu()->isVisible());
    // Right moves on; Down opens; Escape twice leaves.
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(bar->activeAction(), tops[1]);
    QTest::keyClick(bar, Qt::Key_Left);
    QCOMPARE(bar->activeAction(), tops[0]);
    QTest::keyClick(bar, Qt::Key_Down);
    QTRY_VERIFY(tops[0]->menu()->isVisible());
    QTest::keyClick(tops[0]->menu(), Qt::Key_Escape);
    QTRY_VERIFY(!tops[0]->menu()->isVisible());
    QTest::keyClick(bar, Qt::Key_Escape);
    QTRY_VERIFY(bar->activeAction() == nullptr);

    // Alt with a mnemonic opens that menu (布局(&L) is the fifth).
    QTest::keyClick(&frame, Qt::Key_L, Qt::AltModifier);
    QTRY_VERIFY(tops[4]->menu()->isVisible());
    QTest::keyClick(tops[4]->menu(), Qt::Key_Escape);
    QTRY_VERIFY(!tops[4]->menu()->isVisible());

    // F10 alone also enters keyboard mode.
    QTest::keyClick(bar, Qt::Key_Escape);
    QTest::keyClick(&frame, Qt::Key_F10);
    QTRY_COMPARE(bar->activeAction(), tops[0]);
    QVERIFY(!tops[0]->menu()->isVisible());
    QTest::keyClick(bar, Qt::Key_Right);
    QCOMPARE(bar->activeAction(), tops[1]);
    // Pressed again, it leaves keyboard mode.
    QTest::keyClick(bar, Qt::Key_F10);
    QTRY_VERIFY(bar->activeAction() == nullptr);
}

} // namespace kdx::test
