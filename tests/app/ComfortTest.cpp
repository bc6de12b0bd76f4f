#include "ComfortTest.h"

#include "EditFixture.h"
#include "PageViewFixture.h"

#include "app/frame/CAppFrame.h"
#include "app/frame/CMyStatusBar.h"
#include "app/panes/CPageList.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/props/CPaneProp.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QToolBar>

namespace kdx::test {
namespace {

// A page view with a grid of 9 x 9 pixel cells: lines every 10 pixels, at
// x = 9, 19, 29, ...
struct GridFixture : PageViewFixture {
    GridFixture()
    {
        doc.view.gridWidth = 9;
        doc.view.gridHeight = 9;
        view->OnPageCommand(ID_GRID_SHOW);
    }
    // A mouse move with modifiers (QTest's moves carry none).
    void MoveWith(int x, int y, Qt::KeyboardModifiers mods)
    {
        QMouseEvent move(QEvent::MouseMove, At(x, y), wnd()->mapToGlobal(At(x, y)), Qt::NoButton, Qt::LeftButton,
                         mods);
        QApplication::sendEvent(wnd(), &move);
    }
    void DragWith(QPoint from, QPoint to, Qt::KeyboardModifiers mods)
    {
        QTest::mousePress(wnd(), Qt::LeftButton, mods, At(from.x(), from.y()));
        MoveWith((from.x() + to.x()) / 2, (from.y() + to.y()) / 2, mods);
        MoveWith(to.x(), to.y(), mods);
        QTest::mouseRelease(wnd(), Qt::LeftButton, mods, At(to.x(), to.y()));
    }
    CDrawObj* Last() const { return page->Objects().back().get(); }
};

} // namespace

void ComfortTest::drawingMovingAndResizingSnapToTheGrid()
{
    GridFixture f;
    QVERIFY(f.wnd()->SnapsToGrid()); // on by default
    f.view->OnPageCommand(ID_TOOL_FIRST + 6); // filled rectangle
    f.Drag({12, 13}, {47, 52});
    QCOMPARE(f.page->Objects().size(), size_t(1));
    CDrawObj* rect = f.Last();
    QCOMPARE(rect->Bounds(), (PageRect{9, 9, 49, 49}));

    // Moving lands the dragged object's corner on a line; the offset of the
    // mouse inside the object does not matter.
    f.Drag({20, 20}, {33, 27});
    QCOMPARE(rect->Bounds(), (PageRect{19, 19, 59, 59}));

    // Resizing by the bottom-right handle (just outside the corner).
    f.Drag({61, 61}, {77, 84});
    QCOMPARE(rect->Bounds(), (PageRect{19, 19, 79, 89}));

    // Lines too: both end points on grid lines.
    f.view->OnPageCommand(ID_TOOL_FIRST + 4); // line
    f.Drag({101, 3}, {148, 36});
    QCOMPARE(f.Last()->RawRect(), (PageRect{99, 0, 149, 39}));
}

void ComfortTest::altAndTheToggleSuspendSnapping()
{
    GridFixture f;
    f.view->OnPageCommand(ID_TOOL_FIRST + 6);
    f.DragWith({12, 13}, {47, 52}, Qt::AltModifier);
    QCOMPARE(f.Last()->Bounds(), (PageRect{12, 13, 47, 52}));
    f.DragWith({20, 20}, {23, 21}, Qt::AltModifier);
    QCOMPARE(f.Last()->Bounds(), (PageRect{15, 14, 50, 53}));

    // Off: drawing is exact, as when the grid is hidden.
    f.wnd()->SetSnapToGrid(false);
    f.Drag({20, 20}, {24, 21});
    QCOMPARE(f.Last()->Bounds(), (PageRect{19, 15, 54, 54}));
    f.wnd()->SetSnapToGrid(true);
    f.view->OnPageCommand(ID_GRID_SHOW); // hidden
    f.Drag({20, 20}, {21, 21});
    QCOMPARE(f.Last()->Bounds(), (PageRect{20, 16, 55, 55}));

    // The frame's toggle is a checked command of the layout menu and
    // toolbar and is remembered for the next start.
    {
        TestFrame frame;
        QAction* snap = frame.Action(ID_GRID_SNAP);
        QVERIFY(snap);
        QVERIFY(frame.LayoutBar()->actions().contains(snap));
        QVERIFY(frame.SnapsToGrid());
        frame.SetSnapToGrid(false);
    }
    {
        TestFrame frame;
        QVERIFY(!frame.SnapsToGrid());
        auto* view = new CPageView(frame.Document());
        frame.SetPageView(view);
        QVERIFY(!view->PageWindow()->SnapsToGrid());
        frame.Document().SetCurrentPage(frame.Document().AddPage());
        frame.ExecuteCommand(ID_GRID_SNAP);
        QVERIFY(view->PageWindow()->SnapsToGrid());
        QVERIFY(frame.Action(ID_GRID_SNAP)->isChecked());
    }
    QVERIFY(EditorSettings()->value(QStringLiteral("SnapToGrid")).toBool());
}

void ComfortTest::ctrlArrowMovesOneGridStep()
{
    GridFixture f;
    f.doc.view.gridWidth = 7;
    f.doc.view.gridHeight = 4;
    CDrawObj* rect = f.AddRect({10, 10, 30, 30});
    f.Click(20, 20);
    QTest::keyClick(f.wnd(), Qt::Key_Right, Qt::ControlModifier);
    QTest::keyClick(f.wnd(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(rect->Bounds(), (PageRect{18, 15, 38, 35}));
    QTest::keyClick(f.wnd(), Qt::Key_Left);
    QTest::keyClick(f.wnd(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(rect->Bounds(), (PageRect{17, 10, 37, 30}));
}

void ComfortTest::shiftAndCtrlClickAddAndRemove()
{
    PageViewFixture f;
    CDrawObj* a = f.AddRect({10, 10, 40, 40});
    CDrawObj* b = f.AddRect({60, 10, 90, 40});
    CDrawObj* c = f.AddRect({110, 10, 140, 40});
    f.Click(20, 20);
    f.Click(70, 20, Qt::ShiftModifier);
    QCOMPARE(f.view->SelectionCount(), 2);
    f.Click(120, 20, Qt::ControlModifier);
    QCOMPARE(f.view->SelectionCount(), 3);
    f.Click(70, 20, Qt::ShiftModifier); // out again
    QVERIFY(!f.wnd()->IsSelected(b));
    f.Click(120, 20, Qt::ControlModifier);
    QVERIFY(!f.wnd()->IsSelected(c));
    QVERIFY(f.wnd()->IsSelected(a));
    QCOMPARE(f.view->SelectionCount(), 1);
    // Shift on the empty page keeps the selection, as Ctrl does.
    f.Click(300, 200, Qt::ShiftModifier);
    QCOMPARE(f.view->SelectionCount(), 1);
}

void ComfortTest::keyObjectIsMarkedAndChosenByClick()
{
    PageViewFixture f;
    CDrawObj* a = f.AddRect({20, 20, 50, 50});
    CDrawObj* b = f.AddRect({80, 30, 120, 70});
    f.Click(30, 30);
    f.Click(90, 40, Qt::ShiftModifier);
    QCOMPARE(f.wnd()->PrimaryObject(), a);

    // The key object's handles are filled squares, the others' rings: the
    // middle of a top-left square is inverted only on the key object.
    const QImage shot = f.Shot();
    const QRgb page = f.PagePixel(shot, 200, 200);
    QVERIFY(f.PagePixel(shot, 17, 17) != page);
    QCOMPARE(f.PagePixel(shot, 77, 27), page);
    QVERIFY(f.PagePixel(shot, 74, 24) != page); // the ring itself

    // A plain click on a selected object makes it the key object and keeps
    // the selection; align then follows it.
    f.Click(90, 40);
    QCOMPARE(f.view->SelectionCount(), 2);
    QCOMPARE(f.wnd()->PrimaryObject(), b);
    QCOMPARE(f.PagePixel(f.Shot(), 17, 17), page);
    f.view->OnPageCommand(ID_ALIGN_LEFT);
    QCOMPARE(a->Bounds().left, 80);

    // Taking the key object out hands the mark to another selected object.
    f.Click(90, 40, Qt::ControlModifier);
    QCOMPARE(f.wnd()->PrimaryObject(), a);
}

void ComfortTest::contextMenuActsOnTheClickedObject()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("menu.kdp")));
    CDrawObj* a = f.object(0, 0);
    CDrawObj* b = f.object(0, 1);
    f.view->SelectOnly(a);

    QMenu* menu = nullptr;
    const auto openAt = [&](int x, int y) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, EditorFixture::At(x, y),
                                f.wnd()->mapToGlobal(EditorFixture::At(x, y)));
        QApplication::sendEvent(f.wnd(), &event);
        QTRY_VERIFY(QApplication::activePopupWidget());
        menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
    };
    openAt(120, 110); // on B
    QVERIFY(f.wnd()->IsSelected(b));
    QVERIFY(!f.wnd()->IsSelected(a));
    QStringList texts = MenuTexts(menu);
    for (const char16_t* wanted : {u"剪切", u"复制", u"粘贴", u"删除(&D)", u"上移", u"移到底层", u"对齐(&A)", u"属性(&R)"})
        QVERIFY2(texts.contains(QString::fromUtf16(wanted)), qPrintable(texts.join(u'|')));
    QMenu* align = nullptr;
    for (QAction* action : menu->actions())
        if (action->menu())
            align = action->menu();
    QVERIFY(align);
    QVERIFY(MenuTexts(align).contains(QStringLiteral("左对齐")));
    QVERIFY(MenuTexts(align).contains(QStringLiteral("等大")));
    // 属性 puts the focus into the property pane's fields of the object.
    menu->close();
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("属性(&R)"))
            action->trigger();
    QVERIFY(f.frame.PropertyPane()->isAncestorOf(QApplication::focusWidget()));

    // Delete from the menu removes the clicked object: the right click took
    // the focus back to the page.
    openAt(20, 20); // on A
    QVERIFY(f.wnd()->IsSelected(a));
    menu->close();
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("删除(&D)"))
            action->trigger();
    QCOMPARE(f.page(0)->Objects().size(), size_t(2));
    QCOMPARE(f.object(0, 0), b);

    // On the empty page the menu opens with nothing selected.
    openAt(400, 250);
    QCOMPARE(f.view->SelectionCount(), 0);
    menu->close();
}

void ComfortTest::pagesDragInTheListAndTheProjectMenu()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("pages.kdp")));
    CPageList* list = f.frame.findChild<CPageList*>();
    QVERIFY(list);
    // New pages are named in Chinese; the 工程 menu adds them as the list does.
    QAction* add = f.frame.Action(ID_PAGE_ADD);
    QVERIFY(add);
    bool inProjectMenu = false;
    for (QAction* top : f.frame.menuBar()->actions())
        if (top->text() == QStringLiteral("工程(&P)"))
            inProjectMenu = top->menu()->actions().contains(add) &&
                            top->menu()->actions().contains(f.frame.Action(ID_PAGE_DELETE_ALL));
    QVERIFY(inProjectMenu);
    f.frame.ExecuteCommand(ID_PAGE_ADD);
    QCOMPARE(f.doc.PageCount(), size_t(3));
    QCOMPARE(f.doc.PageAt(2)->Name(), QStringLiteral("页面 3"));
    f.Settle();

    // Dragging the first page below the third moves it there, as one step.
    CPage* first = f.doc.PageAt(0);
    const QStringList before = {f.doc.PageAt(0)->Name(), f.doc.PageAt(1)->Name(), f.doc.PageAt(2)->Name()};
    const int steps = f.history().UndoCount();
    const auto drop = [&](const QByteArray& row, QPoint at) {
        QMimeData data;
        data.setData(QLatin1String(kPageRowMime), row);
        QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        QDropEvent dropped(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &dropped);
    };
    const QRect third = list->visualRect(list->model()->index(2, 0));
    drop(PageRowData(f.doc, 0), third.center() + QPoint(0, third.height() / 4));
    QCOMPARE(f.doc.PageAt(2), first);
    QCOMPARE(f.doc.PageAt(0)->Name(), before[1]);
    QCOMPARE(f.doc.CurrentPage(), first);
    f.Settle();
    QCOMPARE(f.history().UndoCount(), steps + 1);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.doc.PageAt(0)->Name(), before[0]);
    QCOMPARE(f.doc.PageAt(2)->Name(), before[2]);

    // Above the second row: the third page becomes the second.
    const QRect second = list->visualRect(list->model()->index(1, 0));
    drop(PageRowData(f.doc, 2), second.topLeft() + QPoint(2, 1));
    QCOMPARE(f.doc.PageAt(1)->Name(), before[2]);

    // A row of another project (or another editor) is refused.
    CPageDoc other;
    other.AddPage();
    const QString firstName = f.doc.PageAt(0)->Name();
    drop(PageRowData(other, 0), second.center());
    QCOMPARE(f.doc.PageAt(0)->Name(), firstName);
}

void ComfortTest::windowFurniture()
{
    {
        EditorFixture f(m_dir.filePath(QStringLiteral("furniture.kdp")));
        CMyStatusBar* bar = f.frame.StatusBar();
        const int pane = bar->IndexOf(CAppFrame::kPointerPane);
        QVERIFY(pane > 0);
        QTest::mouseMove(f.wnd(), EditorFixture::At(123, 45));
        QCOMPARE(bar->PaneAt(pane).text, QStringLiteral(" 123,45 "));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(f.wnd(), &leave);
        QCOMPARE(bar->PaneAt(pane).text, QString());

        // 关于 names the version, the Qt version and the licence.
        const QString about = CAppFrame::AboutText();
        QVERIFY(about.contains(QStringLiteral("1.0")));
        QVERIFY(about.contains(QString::fromLatin1(qVersion())));
        QVERIFY(about.contains(QStringLiteral("LGPL")));
        QVERIFY(f.frame.Action(ID_APP_ABOUT));
        QVERIFY(f.frame.Action(ID_HELP_README));
        // Run from the build folder, the checkout's README is found.
        QCOMPARE(QFileInfo(CAppFrame::ReadmePath()).fileName(), QStringLiteral("README.md"));
        QVERIFY(about.contains(QStringLiteral("README")));

        f.frame.setGeometry(QRect(40, 50, 900, 640));
        f.frame.Documents().SaveAs(f.path);
        QVERIFY(f.frame.close());
    }
    TestFrame again;
    QCOMPARE(again.size(), QSize(900, 640));
}

} // namespace kdx::test
