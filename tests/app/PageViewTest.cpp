#include "PageViewTest.h"

#include "PageViewFixture.h"

#include "app/frame/CAppFrame.h"
#include "app/page/CPageView.h"
#include "app/frame/Commands.h"
#include "model/PageDoc.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace kdx::test {

namespace {

using Fixture = PageViewFixture;

} // namespace

void PageViewTest::drawsBackgroundObjectsAndGrid()
{
    Fixture f;
    QCOMPARE(f.wnd()->size(), QSize(490, 282));
    f.doc.SetPageBackgroundColor(f.page, 0x000000FF); // red
    f.AddRect({100, 100, 140, 130}, 0x00FF0000);        // blue fill, no outline
    f.doc.view.gridWidth = 10;
    f.doc.view.gridHeight = 20;
    f.doc.view.gridColor = 0x0000FF00;
    f.view->OnPageCommand(ID_GRID_SHOW);
    QVERIFY(f.view->IsGridShown());

    const QImage shot = f.Shot();
    QCOMPARE(shot.pixel(2, 2), qRgb(128, 128, 128));              // the frame
    QCOMPARE(f.PagePixel(shot, 5, 5), qRgb(255, 0, 0));           // background
    QCOMPARE(f.PagePixel(shot, 120, 115), qRgb(0, 0, 255));       // the object
    QCOMPARE(f.PagePixel(shot, 10, 5), qRgb(0, 255, 0));          // first column line
    QCOMPARE(f.PagePixel(shot, 21, 5), qRgb(0, 255, 0));          // the next one
    QCOMPARE(f.PagePixel(shot, 11, 5), qRgb(255, 0, 0));
    QCOMPARE(f.PagePixel(shot, 3, 20), qRgb(0, 255, 0));          // first row line
    QCOMPARE(f.PagePixel(shot, 3, 21), qRgb(255, 0, 0));

    // Selection handles invert the page just outside the object's corner.
    f.Click(120, 115);
    const QImage selected = f.Shot();
    QVERIFY(f.PagePixel(selected, 97, 97) != qRgb(255, 0, 0));

    f.view->OnPageCommand(ID_GRID_SHOW);
    QVERIFY(!f.view->IsGridShown());
    f.doc.SetCurrentPage(nullptr);
    const QImage empty = f.Shot();
    QCOMPARE(empty.pixel(2, 2), f.wnd()->palette().color(QPalette::Base).rgb());
}

void PageViewTest::followsDocumentHints()
{
    Fixture f;
    CDrawObj* a = f.AddRect({10, 10, 50, 50});
    CDrawObj* b = f.AddRect({100, 10, 150, 50});
    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    QCOMPARE(f.view->SelectionCount(), 2);

    f.doc.RemoveObject(a); // hint 2 drops it before it is destroyed
    QCOMPARE(f.view->SelectionCount(), 1);
    QVERIFY(f.wnd()->IsSelected(b));

    CPage* other = f.doc.AddPage();
    f.doc.SetCurrentPage(other); // hint 4 clears the selection
    QCOMPARE(f.view->SelectionCount(), 0);
    QVERIFY(!f.wnd()->PropertyObject());

    // Without a current page nothing reacts.
    f.doc.SetCurrentPage(nullptr);
    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    f.Click(120, 20);
    QCOMPARE(f.view->SelectionCount(), 0);
}

void PageViewTest::layoutCentresAndScrollsThePage()
{
    Fixture f;
    QCOMPARE(f.view->TotalSize(), QSize(490, 282));
    const QSize client = f.view->viewport()->size();
    QCOMPARE(f.wnd()->pos(), QPoint((client.width() - 490) / 2, (client.height() - 282) / 2));

    // A page size change announced with hint 3 lays the page out again.
    f.doc.header.width = 800;
    f.doc.header.height = 600;
    f.doc.UpdateAllViews(UpdateHint::PageSize);
    QCOMPARE(f.wnd()->size(), QSize(810, 610));
    QCOMPARE(f.view->TotalSize(), QSize(810, 610));
    QCOMPARE(f.wnd()->pos(), QPoint(0, 0));
    f.view->horizontalScrollBar()->setValue(100);
    f.view->verticalScrollBar()->setValue(50);
    QCOMPARE(f.wnd()->pos(), QPoint(-100, -50));

    // Clicks keep landing on page coordinates while scrolled.
    CDrawObj* object = f.AddRect({700, 500, 750, 550});
    f.Click(710, 510);
    QVERIFY(f.wnd()->IsSelected(object));
}

void PageViewTest::clicksAndRubberBandSelect()
{
    Fixture f;
    CDrawObj* a = f.AddRect({10, 10, 50, 50});
    CDrawObj* b = f.AddRect({100, 10, 150, 50});
    CDrawObj* c = f.AddRect({10, 100, 50, 150});

    f.Click(20, 20);
    QCOMPARE(f.view->SelectionCount(), 1);
    QCOMPARE(f.wnd()->PropertyObject(), a);
    f.Click(120, 20, Qt::ControlModifier);
    QCOMPARE(f.view->SelectionCount(), 2);
    QVERIFY(!f.wnd()->PropertyObject()); // several selected: no property page
    QCOMPARE(f.wnd()->PrimaryObject(), a);
    f.Click(120, 20, Qt::ControlModifier); // already selected: taken out again
    QCOMPARE(f.view->SelectionCount(), 1);
    f.Click(120, 20, Qt::ControlModifier);
    f.Click(20, 20);                       // one of several: keeps them all
    QCOMPARE(f.view->SelectionCount(), 2);

    f.Click(300, 200); // empty space clears
    QCOMPARE(f.view->SelectionCount(), 0);

    f.Drag({5, 5}, {200, 60});
    QCOMPARE(f.view->SelectionCount(), 2);
    QVERIFY(f.wnd()->IsSelected(a) && f.wnd()->IsSelected(b));
    QVERIFY(f.wnd()->BandRect().isEmpty());

    f.Drag({5, 90}, {60, 160}); // a new band without Ctrl replaces the selection
    QCOMPARE(f.view->SelectionCount(), 1);
    QVERIFY(f.wnd()->IsSelected(c));
    f.Drag({5, 5}, {60, 60}, Qt::ControlModifier);
    QCOMPARE(f.view->SelectionCount(), 2);
    QVERIFY(f.wnd()->IsSelected(a) && f.wnd()->IsSelected(c));

    // A band may start beside the page, in the view around the page window.
    f.Click(300, 200);
    const QPoint origin = f.wnd()->pos() + QPoint(CPageWnd::kFrameWidth, CPageWnd::kFrameWidth);
    QVERIFY(origin.x() > 20);
    QTest::mousePress(f.view->viewport(), Qt::LeftButton, {}, origin + QPoint(-20, -4));
    QTest::mouseMove(f.view->viewport(), origin + QPoint(60, 60));
    QTest::mouseRelease(f.view->viewport(), Qt::LeftButton, {}, origin + QPoint(60, 60));
    QCOMPARE(f.view->SelectionCount(), 1);
    QVERIFY(f.wnd()->IsSelected(a));
}

void PageViewTest::dragMovesAndHandleResizes()
{
    Fixture f;
    CDrawObj* a = f.AddRect({10, 10, 50, 50});
    CDrawObj* b = f.AddRect({100, 10, 150, 50});
    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    f.Drag({20, 20}, {35, 27}); // both move together
    QCOMPARE(a->Bounds(), (PageRect{25, 17, 65, 57}));
    QCOMPARE(b->Bounds(), (PageRect{115, 17, 165, 57}));

    f.Click(300, 200);
    f.Click(30, 30);
    // Handle 4 lies just outside the bottom-right corner (65, 57).
    f.Drag({67, 59}, {90, 80});
    QCOMPARE(a->RawRect(), (PageRect{25, 17, 90, 80}));
    QCOMPARE(f.view->SelectionCount(), 1);
    QVERIFY(f.doc.IsModified());
}

void PageViewTest::keysMoveDeleteAndCancel()
{
    Fixture f;
    CDrawObj* a = f.AddRect({10, 10, 50, 50});
    f.AddRect({100, 10, 150, 50});
    f.Click(20, 20);
    QTest::keyClick(f.wnd(), Qt::Key_Right);
    QTest::keyClick(f.wnd(), Qt::Key_Right);
    QTest::keyClick(f.wnd(), Qt::Key_Up);
    QCOMPARE(a->Bounds(), (PageRect{12, 9, 52, 49}));
    QTest::keyClick(f.wnd(), Qt::Key_Escape);
    QCOMPARE(f.view->SelectionCount(), 0);

    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    QTest::keyClick(f.wnd(), Qt::Key_Delete);
    QCOMPARE(f.page->Objects().size(), size_t(0));
    QCOMPARE(f.view->SelectionCount(), 0);
}

void PageViewTest::propertyObjectAndCursorsFollowTheSelection()
{
    Fixture f;
    QSignalSpy shown(f.view.get(), &CPageView::PropertyObjectChanged);
    const auto last = [&] {
        const QList<QVariant> args = shown.back();
        return std::make_pair(args.at(0).value<CDrawObj*>(), args.at(1).toBool());
    };
    CDrawObj* a = f.AddRect({10, 10, 50, 50});
    CDrawObj* b = f.AddRect({100, 10, 150, 50});
    f.Click(20, 20);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(last(), std::make_pair(a, true));
    // A second object takes the pane from the first; taking it out again
    // leaves the pane on the page until the selection starts anew.
    f.Click(120, 20, Qt::ControlModifier);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(last(), std::make_pair(a, false));
    f.Click(120, 20, Qt::ControlModifier);
    QCOMPARE(shown.size(), 2);
    QVERIFY(!f.wnd()->PropertyObject());
    f.Click(120, 20);
    QCOMPARE(last(), std::make_pair(b, true));

    // A removed object leaves neither the pane nor the selection holding it.
    f.doc.RemoveObject(b);
    QCOMPARE(last(), std::make_pair(b, false));
    QVERIFY(!f.wnd()->PropertyObject());
    QCOMPARE(f.view->SelectionCount(), 0);

    // Hovering: the handle's sizing cursor, size-all over the object, else the arrow.
    f.Click(20, 20);
    QTest::mouseMove(f.wnd(), Fixture::At(52, 52));
    QCOMPARE(f.wnd()->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mouseMove(f.wnd(), Fixture::At(30, 52));
    QCOMPARE(f.wnd()->cursor().shape(), Qt::SizeVerCursor);
    QTest::mouseMove(f.wnd(), Fixture::At(30, 30));
    QCOMPARE(f.wnd()->cursor().shape(), Qt::SizeAllCursor);
    QTest::mouseMove(f.wnd(), Fixture::At(300, 200));
    QCOMPARE(f.wnd()->cursor().shape(), Qt::ArrowCursor);
    // A line's ends show the cross.
    f.view->OnPageCommand(ID_TOOL_LINE);
    f.Drag({200, 100}, {260, 140});
    f.view->OnPageCommand(ID_TOOL_SELECT);
    QTest::mouseMove(f.wnd(), Fixture::At(260, 140));
    QCOMPARE(f.wnd()->cursor().shape(), Qt::CrossCursor);

    f.Click(300, 200);
    QCOMPARE(last().second, false);
    QVERIFY(!f.wnd()->PropertyObject());
}

void PageViewTest::rectangleToolCreatesAndFallsBack()
{
    Fixture f;
    f.doc.currentLineColor = 0x00123456;
    f.view->OnPageCommand(40406); // rectangle: the top-left corner is dragged
    QCOMPARE(f.view->CurrentToolCommand(), 40406);
    f.Drag({50, 60}, {20, 30});
    QCOMPARE(f.page->Objects().size(), size_t(1));
    const CDrawObj* rect = f.page->Objects().front().get();
    QCOMPARE(QString(rect->ClassName()), QString("CDrawRect"));
    QCOMPARE(rect->Bounds(), (PageRect{20, 30, 50, 60}));
    QCOMPARE(rect->LineColor(), Color(0x00123456));
    QCOMPARE(rect->FillColor(), kNoColor);
    QCOMPARE(f.view->CurrentToolCommand(), 40401);
    QVERIFY(f.wnd()->IsSelected(const_cast<CDrawObj*>(rect)));

    f.doc.currentFillColor = 0x00ABCDEF;
    f.view->OnPageCommand(40411); // filled ellipse: bottom-right corner
    f.Drag({200, 100}, {260, 140});
    const CDrawObj* ellipse = f.page->Objects().back().get();
    QCOMPARE(QString(ellipse->ClassName()), QString("CDrawEllipse"));
    QCOMPARE(ellipse->Bounds(), (PageRect{200, 100, 260, 140}));
    QCOMPARE(ellipse->FillColor(), Color(0x00ABCDEF));

    // The line tool stays current for the next line.
    f.view->OnPageCommand(40405);
    f.Drag({300, 200}, {350, 180});
    f.Drag({300, 220}, {350, 240});
    QCOMPARE(f.page->Objects().size(), size_t(4));
    QCOMPARE(f.page->Objects().back()->RawRect(), (PageRect{300, 220, 350, 240}));
    QCOMPARE(f.view->CurrentToolCommand(), 40405);
    // Escape after a finished line keeps it.
    QTest::keyClick(f.wnd(), Qt::Key_Escape);
    QCOMPARE(f.page->Objects().size(), size_t(4));
}

void PageViewTest::clickWithoutDragAndCancelledImageLeaveNothing()
{
    Fixture f;
    f.view->OnPageCommand(40408);
    f.Click(100, 100);
    QCOMPARE(f.page->Objects().size(), size_t(0));
    QCOMPARE(f.view->CurrentToolCommand(), 40401);

    f.view->OnPageCommand(40405);
    f.Click(100, 100);
    QCOMPARE(f.page->Objects().size(), size_t(0));
    QCOMPARE(f.view->CurrentToolCommand(), 40405);

    // No image was chosen (nobody answers the image dialog here).
    f.view->OnPageCommand(40402);
    f.Drag({10, 10}, {80, 80});
    QCOMPARE(f.page->Objects().size(), size_t(0));
    QCOMPARE(f.view->SelectionCount(), 0);

    // Escape in the middle of a creation drag deletes the new object.
    f.view->OnPageCommand(40410);
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, Fixture::At(10, 10));
    QTest::mouseMove(f.wnd(), Fixture::At(40, 40));
    QCOMPARE(f.page->Objects().size(), size_t(1));
    QTest::keyClick(f.wnd(), Qt::Key_Escape);
    QCOMPARE(f.page->Objects().size(), size_t(0));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, Fixture::At(40, 40));
    QCOMPARE(f.page->Objects().size(), size_t(0));
}

void PageViewTest::alignCentreAndSameSize()
{
    Fixture f;
    CDrawObj* left = f.AddRect({10, 10, 30, 40});
    CDrawObj* right = f.AddRect({200, 50, 260, 61}); // 11 pixels high
    f.Click(210, 55);                              // the primary object
    f.Click(20, 20, Qt::ControlModifier);
    f.view->OnPageCommand(ID_ALIGN_LEFT);
    QCOMPARE(left->Bounds(), (PageRect{200, 10, 220, 40}));
    QCOMPARE(right->Bounds(), (PageRect{200, 50, 260, 61}));
    f.view->OnPageCommand(ID_ALIGN_BOTTOM);
    QCOMPARE(left->Bounds(), (PageRect{200, 31, 220, 61}));

    f.view->OnPageCommand(ID_SAME_WIDTH);
    QCOMPARE(left->Bounds(), (PageRect{200, 31, 260, 61}));
    f.view->OnPageCommand(ID_SAME_SIZE);
    QCOMPARE(left->Bounds(), (PageRect{200, 31, 260, 42}));

    f.Click(400, 250);
    f.Click(210, 55);
    f.view->OnPageCommand(ID_CENTER_VERT);
    QCOMPARE(right->Bounds().top, 130); // (272 - 11) / 2
    f.view->OnPageCommand(ID_CENTER_HORZ);
    QCOMPARE(right->Bounds().left, 210); // (480 - 60) / 2
}

void PageViewTest::distributeAndRestack()
{
    Fixture f;
    // Widths 50 + 40 + 60 = 150 in a union 0..100: gap (100 - 150) / 2 = -25.
    CDrawObj* a = f.AddRect({0, 0, 50, 10});
    CDrawObj* c = f.AddRect({40, 100, 100, 110});
    CDrawObj* b = f.AddRect({20, 50, 60, 60});
    f.view->OnPageCommand(ID_EDIT_SELECT_ALL);
    f.view->OnPageCommand(ID_SPACE_ACROSS);
    QCOMPARE(a->Bounds(), (PageRect{0, 0, 50, 10}));
    QCOMPARE(b->Bounds().left, 25);
    QCOMPARE(c->Bounds().left, 40);

    // Vertically, from tops 0, 20 and 100 (heights 30 in a union 0..110):
    // gap 40, so the middle one moves down to 50.
    b->MoveTo(b->Bounds().left, 20);
    f.view->OnPageCommand(ID_SPACE_DOWN);
    QCOMPARE(a->Bounds().top, 0);
    QCOMPARE(b->Bounds().top, 50);
    QCOMPARE(c->Bounds().top, 100);
    QCOMPARE(b->Bounds().left, 25); // tops only

    f.Click(400, 250);
    f.Click(1, 1);
    f.view->OnPageCommand(ID_LAYOUT_TOP);
    QCOMPARE(f.page->Objects().back().get(), a);
    f.view->OnPageCommand(ID_LAYOUT_DOWN);
    QCOMPARE(f.page->IndexOfObject(a), 1);
}

void PageViewTest::frameCommandsReachTheView()
{
    CAppFrame frame;
    auto* view = new CPageView(frame.Document());
    frame.SetPageView(view);
    CPage* page = frame.Document().AddPage();
    frame.Document().SetCurrentPage(page);
    frame.Document().AddObject(std::make_unique<CDrawRect>(PageRect{10, 10, 50, 50}));
    frame.UpdateCommandUI();
    QVERIFY(!frame.Action(ID_EDIT_CLEAR)->isEnabled());
    frame.ExecuteCommand(ID_EDIT_SELECT_ALL);
    frame.UpdateCommandUI();
    QCOMPARE(view->SelectionCount(), 1);
    QVERIFY(frame.Action(ID_EDIT_CLEAR)->isEnabled());
    frame.ExecuteCommand(40407);
    frame.UpdateCommandUI();
    QVERIFY(frame.Action(40407)->isChecked());
    frame.ExecuteCommand(ID_EDIT_CLEAR);
    QCOMPARE(page->Objects().size(), size_t(0));
}

} // namespace kdx::test
