#include "ZoomTest.h"

#include "PageViewFixture.h"

#include "app/frame/CAppFrame.h"
#include "app/page/CDrawTextEdit.h"
#include "app/frame/CMyStatusBar.h"
#include "app/page/CPageView.h"
#include "app/panes/CPaneCompile.h"
#include "app/frame/ZoomBox.h"
#include "model/PageDoc.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <memory>

namespace kdx::test {

namespace {

constexpr Color kBlack = 0x000000;
constexpr Color kRed = 0x0000FF;

// The page-view fixture with a scale and the mouse in screen pixels.
struct Fixture : PageViewFixture {
    CDrawObj* AddFilled(PageRect rect, Color fill = kBlack) { return AddRect(rect, fill); }
    // The middle of page pixel (x, y) as shown, in page-window pixels.
    QPoint Shown(int x, int y) const
    {
        const QRect pixel = wnd()->ToWidget(QRect(x, y, 1, 1));
        return pixel.topLeft() + QPoint(pixel.width() / 2, pixel.height() / 2);
    }
    void Zoom(int percent)
    {
        view->SetZoomPercent(percent);
        QCOMPARE(view->ZoomPercent(), percent);
        // Let the scroll bars settle before the page window is looked at.
        QCoreApplication::processEvents();
    }
    // A drag between page-window pixels.
    void DragOnScreen(QPoint from, QPoint to)
    {
        QTest::mousePress(wnd(), Qt::LeftButton, {}, from);
        QTest::mouseMove(wnd(), (from + to) / 2);
        QTest::mouseMove(wnd(), to);
        QTest::mouseRelease(wnd(), Qt::LeftButton, {}, to);
    }
};

// The pixels in which two shots differ.
QRect Changed(const QImage& a, const QImage& b, int* count)
{
    QRect box;
    *count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                box |= QRect(x, y, 1, 1);
                ++*count;
            }
    return box;
}

} // namespace

void ZoomTest::mappingIsExactAndLimitsHold()
{
    // Every screen pixel shows the page pixel whose span it lies in, at
    // presets and at odd typed scales alike.
    for (int percent : {25, 33, 67, 100, 133, 300, 777, 800}) {
        ViewScale scale;
        scale.SetPercent(percent);
        for (int s = -40; s < 400; ++s) {
            const int x = scale.ToPage(s);
            QVERIFY2(scale.ToScreen(x) <= s && s < scale.ToScreen(x + 1),
                     qPrintable(QStringLiteral("%1%: screen %2").arg(percent).arg(s)));
        }
        // Enlarged, the screen pixels of a rectangle show exactly it; reduced,
        // they show it and what shares its edge pixels.
        const QRect page(7, 9, 50, 30);
        if (percent >= 100)
            QCOMPARE(scale.PageCovering(scale.ToScreen(page)), page);
        else
            QVERIFY(scale.PageCovering(scale.ToScreen(page)).contains(page));
    }

    ViewScale scale;
    QVERIFY(!scale.SetPercent(100));
    QVERIFY(scale.SetPercent(5));
    QCOMPARE(scale.Percent(), 25);
    QVERIFY(scale.SetPercent(100000));
    QCOMPARE(scale.Percent(), 800);
    QCOMPARE(ViewScale::NextPercent(800), 800);
    QCOMPARE(ViewScale::PreviousPercent(25), 25);
    QCOMPARE(ViewScale::NextPercent(133), 150);
    QCOMPARE(ViewScale::PreviousPercent(133), 125);
    QCOMPARE(CZoomBox::ParsePercent(QStringLiteral(" 150 % ")), 150);
    QCOMPARE(CZoomBox::ParsePercent(QStringLiteral("%")), 0);

    // The view holds the limits whichever way it is asked.
    Fixture f;
    f.view->SetZoomPercent(2000);
    QCOMPARE(f.view->ZoomPercent(), 800);
    f.view->ZoomIn();
    QCOMPARE(f.view->ZoomPercent(), 800);
    QCOMPARE(f.wnd()->size(), QSize(480 * 8 + 10, 272 * 8 + 10));
    f.view->SetZoomPercent(1);
    QCOMPARE(f.view->ZoomPercent(), 25);
    f.view->ZoomOut();
    QCOMPARE(f.view->ZoomPercent(), 25);
    QCOMPARE(f.wnd()->size(), QSize(120 + 10, 68 + 10));
}

void ZoomTest::enlargedPageShowsTerminalPixels()
{
    Fixture f;
    f.doc.view.gridWidth = 9;
    f.doc.view.gridHeight = 9;
    f.view->OnPageCommand(40516); // the grid scales with the page
    f.AddFilled({20, 20, 21, 120});
    f.AddFilled({30, 40, 90, 41}, kRed);
    auto* text = static_cast<CDrawText*>(f.doc.AddObject(std::make_unique<CDrawText>(PageRect{40, 60, 200, 100})));
    text->SetLineColor(kBlack);
    text->SetText(u"AB 汉字");
    const QImage full = f.Shot();

    // At 300% and at a scale that is no whole multiple, each screen pixel
    // is exactly the page pixel under it: no smoothing, no seams.
    for (int percent : {300, 175}) {
        f.Zoom(percent);
        const QImage big = f.Shot();
        const ViewScale& scale = f.wnd()->Scale();
        for (int y = 0; y < scale.ToScreen(130); ++y)
            for (int x = 0; x < scale.ToScreen(210); ++x) {
                const QPoint page = scale.ToPage(QPoint(x, y));
                if (big.pixel(x + 5, y + 5) != full.pixel(page.x() + 5, page.y() + 5))
                    QFAIL(qPrintable(QStringLiteral("%1%: screen %2,%3").arg(percent).arg(x).arg(y)));
            }
        // A repaint of a small area agrees with the whole.
        f.wnd()->repaint(QRect(f.Shown(20, 50), QSize(7, 7)));
        QCOMPARE(f.Shot(), big);
    }

    // Reduced, a one-pixel line still shows (averaged, not dropped).
    f.Zoom(25);
    const QImage small = f.Shot();
    const ViewScale& scale = f.wnd()->Scale();
    const QRgb shown = small.pixel(scale.ToScreen(20) + 5, scale.ToScreen(80) + 5);
    QVERIFY(qRed(shown) < 250);
}

void ZoomTest::clickSelectsOnePixelLines_data()
{
    QTest::addColumn<int>("percent");
    QTest::newRow("300%") << 300;
    QTest::newRow("25%") << 25;
}

void ZoomTest::clickSelectsOnePixelLines()
{
    QFETCH(int, percent);
    Fixture f;
    CDrawObj* across = f.AddFilled({40, 101, 300, 102});
    CDrawObj* down = f.AddFilled({350, 20, 351, 250});
    auto* slanted = f.doc.AddObject(std::make_unique<CDrawLine>(PageRect{60, 150, 200, 240}));
    slanted->SetLineColor(kBlack);
    f.Zoom(percent);

    QTest::mouseClick(f.wnd(), Qt::LeftButton, {}, f.Shown(120, 101));
    QVERIFY(f.wnd()->IsSelected(across));
    QTest::mouseClick(f.wnd(), Qt::LeftButton, {}, f.Shown(350, 200));
    QVERIFY(f.wnd()->IsSelected(down));
    QVERIFY(!f.wnd()->IsSelected(across));
    QTest::mouseClick(f.wnd(), Qt::LeftButton, {}, f.Shown(130, 195));
    QVERIFY(f.wnd()->IsSelected(slanted));

    // Ten screen pixels beside a line is a miss at any scale.
    QTest::mouseClick(f.wnd(), Qt::LeftButton, {}, f.Shown(120, 101) + QPoint(0, 10));
    QVERIFY(f.wnd()->Selection().isEmpty());
    QTest::mouseClick(f.wnd(), Qt::LeftButton, {}, f.Shown(350, 200) + QPoint(10, 0));
    QVERIFY(f.wnd()->Selection().isEmpty());
}

void ZoomTest::handlesStaySixScreenPixels_data()
{
    QTest::addColumn<int>("percent");
    QTest::newRow("300%") << 300;
    QTest::newRow("25%") << 25;
    QTest::newRow("133%") << 133;
}

void ZoomTest::handlesStaySixScreenPixels()
{
    QFETCH(int, percent);
    Fixture f;
    CDrawObj* box = f.AddFilled({40, 40, 120, 100}, kRed);
    f.Zoom(percent);
    const QImage before = f.Shot();
    QTest::mouseClick(f.wnd(), Qt::LeftButton, {}, f.Shown(80, 70));
    QVERIFY(f.wnd()->IsSelected(box));
    const QImage after = f.Shot();

    // Eight squares of 6 x 6 screen pixels and nothing else changed.
    int count = 0;
    const QRect changed = Changed(before, after, &count);
    QCOMPARE(count, 8 * 36);
    const QRect shown = f.wnd()->ToWidget(QRect(40, 40, 80, 60));
    QCOMPARE(changed, shown.adjusted(-6, -6, 6, 6));
    for (int h = 0; h < 8; ++h) {
        const QRect square = f.wnd()->HandleOnScreen(box, h);
        QCOMPARE(square.size(), QSize(6, 6));
        QCOMPARE(Changed(before.copy(square), after.copy(square), &count), QRect(0, 0, 6, 6));
    }

    // The handle is grabbed where it is drawn: its outer corner pixel.
    const QRect corner = f.wnd()->HandleOnScreen(box, 4);
    f.DragOnScreen(corner.bottomRight(), corner.bottomRight() + QPoint(40, 40));
    const ViewScale& scale = f.wnd()->Scale();
    const QPoint end = scale.ToPage(corner.bottomRight() + QPoint(40, 40) - QPoint(5, 5));
    QCOMPARE(box->Bounds().right, end.x());
    QCOMPARE(box->Bounds().bottom, end.y());
    QCOMPARE(box->Bounds().left, 40);
}

void ZoomTest::rubberBandSelectsExactlyWhatItEncloses_data()
{
    QTest::addColumn<int>("percent");
    QTest::newRow("300%") << 300;
    QTest::newRow("25%") << 25;
}

void ZoomTest::rubberBandSelectsExactlyWhatItEncloses()
{
    QFETCH(int, percent);
    Fixture f;
    // Three objects a row apart; the band ends in the gap before the third.
    CDrawObj* a = f.AddFilled({20, 20, 60, 40});
    CDrawObj* b = f.AddFilled({80, 20, 120, 40});
    CDrawObj* c = f.AddFilled({140, 20, 180, 40});
    CDrawObj* under = f.AddFilled({20, 70, 180, 90});
    f.Zoom(percent);

    const QPoint from = f.Shown(10, 10);
    const QPoint to = f.Shown(130, 55);
    const QImage before = f.Shot();
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, from);
    QTest::mouseMove(f.wnd(), to);
    // The band shows between the two points and not past them.
    const QImage during = f.Shot();
    const QPoint middle = (from + to) / 2;
    QVERIFY(during.pixel(middle) != before.pixel(middle));
    QCOMPARE(during.pixel(to + QPoint(8, 8)), before.pixel(to + QPoint(8, 8)));
    QCOMPARE(during.pixel(from - QPoint(2, 2)), before.pixel(from - QPoint(2, 2)));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, to);
    QVERIFY(f.wnd()->IsSelected(a));
    QVERIFY(f.wnd()->IsSelected(b));
    QVERIFY(!f.wnd()->IsSelected(c));
    QVERIFY(!f.wnd()->IsSelected(under));
    QCOMPARE(f.wnd()->Selection().size(), 2);
    QVERIFY(f.wnd()->BandRect().isEmpty());
}

void ZoomTest::toolsSnapToPagePixels()
{
    Fixture f;
    f.Zoom(300);
    // A rectangle drawn from screen pixels lands on the page pixels under them.
    f.view->OnPageCommand(40407);
    const QPoint from = f.Shown(30, 20) + QPoint(1, 1);
    f.DragOnScreen(from, from + QPoint(151, 92));
    QCOMPARE(f.page->Objects().size(), size_t(1));
    CDrawObj* made = f.page->Objects().front().get();
    const QPoint end = f.wnd()->Scale().ToPage(from + QPoint(151, 92) - QPoint(5, 5));
    QCOMPARE(made->Bounds().left, 30);
    QCOMPARE(made->Bounds().top, 20);
    QCOMPARE(made->Bounds().right, end.x());
    QCOMPARE(made->Bounds().bottom, end.y());
    QCOMPARE(f.wnd()->Tool(), PageTool::Select);

    // A move of 31 screen pixels is 10 page pixels (the pixel boundaries
    // crossed, not the distance divided and rounded).
    const QPoint grab = f.Shown(50, 40);
    f.DragOnScreen(grab, grab + QPoint(31, -31));
    const QPoint moved = f.wnd()->Scale().ToPage(grab + QPoint(31, -31) - QPoint(5, 5)) - QPoint(50, 40);
    QCOMPARE(made->Bounds().left, 30 + moved.x());
    QCOMPARE(made->Bounds().top, 20 + moved.y());
    QCOMPARE(moved, QPoint(10, -10));

    // The arrow keys still move by one page pixel.
    QTest::keyClick(f.wnd(), Qt::Key_Right);
    QCOMPARE(made->Bounds().left, 41);
}

void ZoomTest::ctrlWheelKeepsThePointUnderTheMouse()
{
    Fixture f;
    f.Zoom(200);
    f.view->horizontalScrollBar()->setValue(150);
    f.view->verticalScrollBar()->setValue(90);
    const QPoint mouse(410, 230); // viewport pixels
    const auto pageUnderMouse = [&] { return f.wnd()->ToPage(mouse - f.wnd()->pos()); };
    const QPoint before = pageUnderMouse();

    const auto turn = [&](int delta, Qt::KeyboardModifiers mods) {
        QWheelEvent wheel(QPointF(mouse), QPointF(f.view->viewport()->mapToGlobal(mouse)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(f.view->viewport(), &wheel);
        QCoreApplication::processEvents();
    };
    turn(120, Qt::ControlModifier);
    QCOMPARE(f.view->ZoomPercent(), 250);
    QCOMPARE(pageUnderMouse(), before);
    turn(-120, Qt::ControlModifier);
    turn(-120, Qt::ControlModifier);
    QCOMPARE(f.view->ZoomPercent(), 150);
    QCOMPARE(pageUnderMouse(), before);
    // Half notches add up to one step.
    turn(60, Qt::ControlModifier);
    QCOMPARE(f.view->ZoomPercent(), 150);
    turn(60, Qt::ControlModifier);
    QCOMPARE(f.view->ZoomPercent(), 200);
    QCOMPARE(pageUnderMouse(), before);

    // Without Ctrl the wheel scrolls and leaves the scale.
    const int scrolled = f.view->verticalScrollBar()->value();
    turn(-120, {});
    QCOMPARE(f.view->ZoomPercent(), 200);
    QVERIFY(f.view->verticalScrollBar()->value() > scrolled);
}

void ZoomTest::keysFitAndTheZoomBoxAgree()
{
    CAppFrame frame;
    auto* view = new CPageView(frame.Document());
    frame.SetPageView(view);
    CPage* page = frame.Document().AddPage();
    frame.Document().SetCurrentPage(page);
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    CZoomBox* box = frame.ZoomBox();
    QVERIFY(box && box->isVisible() && box->isEnabled());
    QCOMPARE(box->currentText(), QStringLiteral("100%"));
    QVERIFY(frame.StatusBar()->geometry().contains(box->geometry().translated(frame.StatusBar()->pos())));

    view->PageWindow()->setFocus();
    QTest::keyClick(view->PageWindow(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(view->ZoomPercent(), 125);
    QCOMPARE(box->currentText(), QStringLiteral("125%"));
    QTest::keyClick(view->PageWindow(), Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(view->ZoomPercent(), 150);
    QTest::keyClick(view->PageWindow(), Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(view->PageWindow(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(view->ZoomPercent(), 100);
    QCOMPARE(box->currentText(), QStringLiteral("100%"));

    // Typed into the box: the view follows, and the limits hold.
    const auto type = [&](const QString& text) {
        box->lineEdit()->selectAll();
        QTest::keyClicks(box->lineEdit(), text);
        QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    };
    type(QStringLiteral("300"));
    QCOMPARE(view->ZoomPercent(), 300);
    QCOMPARE(box->currentText(), QStringLiteral("300%"));
    type(QStringLiteral("5000%"));
    QCOMPARE(view->ZoomPercent(), 800);
    QCOMPARE(box->currentText(), QStringLiteral("800%"));
    type(QStringLiteral("10"));
    QCOMPARE(view->ZoomPercent(), 25);
    QCOMPARE(box->currentText(), QStringLiteral("25%"));
    // A preset chosen from the list.
    box->setCurrentIndex(box->findText(QStringLiteral("200%")));
    emit box->textActivated(box->currentText());
    QCOMPARE(view->ZoomPercent(), 200);

    // Ctrl+0: the largest scale at which the whole page shows unscrolled.
    QTest::keyClick(view->PageWindow(), Qt::Key_0, Qt::ControlModifier);
    QCoreApplication::processEvents();
    const int fit = view->ZoomPercent();
    QCOMPARE(box->currentText(), QStringLiteral("%1%").arg(fit));
    QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
    QCOMPARE(view->verticalScrollBar()->maximum(), 0);
    QVERIFY(view->viewport()->rect().contains(view->PageWindow()->geometry()));
    ViewScale larger;
    larger.SetPercent(fit + 1);
    const QSize room = view->viewport()->size() - QSize(10, 10);
    QVERIFY(larger.ToScreen(480) > room.width() || larger.ToScreen(272) > room.height());
    frame.SetPageView(nullptr);
    QVERIFY(!box->isEnabled());
    delete view;
}

void ZoomTest::textEditorCoversTheObjectAsShown()
{
    Fixture f;
    auto* text = static_cast<CDrawText*>(f.doc.AddObject(std::make_unique<CDrawText>(PageRect{40, 30, 110, 120})));
    text->SetLineColor(kBlack);
    text->SetText(u"AB\r\nCD EF GH IJ\r\nKL");
    // The wrap as the page has it at full size.
    f.wnd()->SelectObject(text, false);
    f.wnd()->EditObject(text);
    CDrawTextEdit* editor = f.view->TextEditing().Editor();
    QVERIFY(editor && editor->isVisible());
    const std::u16string wrapped = editor->ObjectText();
    const int rowHeight = editor->Metrics().RowHeight();
    f.wnd()->ClearSelection();

    f.Zoom(300);
    f.wnd()->SelectObject(text, false);
    f.wnd()->EditObject(text);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->geometry(), f.wnd()->ToWidget(QRect(40, 30, 70, 90)));
    QCOMPARE(editor->ObjectText(), wrapped);

    // A click lands on the row shown under it.
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, QPoint(3, 3 * rowHeight + 3 * rowHeight / 2));
    QCOMPARE(editor->GetCaret().line, 1);
    // The scale follows a change while editing, and the text goes back whole.
    f.view->SetZoomPercent(200);
    QCOMPARE(editor->geometry(), f.wnd()->ToWidget(QRect(40, 30, 70, 90)));
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClicks(editor, QStringLiteral("Z"));
    f.wnd()->ClearSelection();
    QVERIFY(!editor->isVisible());
    QCOMPARE(QString::fromStdU16String(text->Text()).left(3), QStringLiteral("AB\r"));
    QVERIFY(QString::fromStdU16String(text->Text()).contains(QStringLiteral("ZCD")));
}

void ZoomTest::textEditorPixelsAreMappedAsThePagesAre()
{
    Fixture f;
    auto* text = static_cast<CDrawText*>(f.doc.AddObject(std::make_unique<CDrawText>(PageRect{41, 31, 111, 121})));
    text->SetLineColor(kBlack);
    text->SetText(u"AB\r\n汉字 EF");
    // The editor's own pixels, without the blinking caret.
    auto grab = [&](CDrawTextEdit* editor) {
        editor->clearFocus();
        QCoreApplication::processEvents();
        return editor->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    f.wnd()->SelectObject(text, false);
    f.wnd()->EditObject(text);
    CDrawTextEdit* editor = f.view->TextEditing().Editor();
    QVERIFY(editor && editor->isVisible());
    const QImage full = grab(editor);
    f.wnd()->ClearSelection();

    // At a scale that is not a whole multiple, each screen pixel shows the
    // page pixel the page view's mapping gives it.
    for (int percent : {150, 300, 75}) {
        f.Zoom(percent);
        f.wnd()->SelectObject(text, false);
        f.wnd()->EditObject(text);
        QVERIFY(editor->isVisible());
        const QImage shown = grab(editor);
        ViewScale scale;
        scale.SetPercent(percent);
        const QRect screen(scale.ToScreen(QPoint(41, 31)), shown.size());
        const QImage expected =
            scale.ScaleImage(full, QPoint(41, 31), screen).convertToFormat(QImage::Format_RGB32);
        QVERIFY2(shown == expected, qPrintable(QStringLiteral("at %1%").arg(percent)));
        f.wnd()->ClearSelection();
    }
}

void ZoomTest::locatingScrollsTheObjectIntoView()
{
    CAppFrame frame;
    auto* view = new CPageView(frame.Document());
    frame.SetPageView(view);
    CPaneCompile* pane = frame.CreateCompilePane();
    pane->SetObjectSelector([view](CDrawObj* object) { return view->SelectOnly(object); });
    CPageDoc& doc = frame.Document();
    CPage* first = doc.AddPage();
    CPage* second = doc.AddPage();
    doc.SetCurrentPage(second);
    CDrawObj* far = doc.AddObject(std::make_unique<CDrawRect>(PageRect{420, 230, 470, 265}));
    doc.SetCurrentPage(first);
    CDrawObj* near = doc.AddObject(std::make_unique<CDrawRect>(PageRect{2, 2, 20, 20}));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    view->SetZoomPercent(800);
    QCoreApplication::processEvents();
    view->horizontalScrollBar()->setValue(0);
    view->verticalScrollBar()->setValue(0);

    const auto inView = [view](CDrawObj* object) {
        const QRect shown = view->PageWindow()
                                ->ToWidget(QRect(object->Bounds().left, object->Bounds().top,
                                                 object->Bounds().Width(), object->Bounds().Height()))
                                .translated(view->PageWindow()->pos());
        return view->viewport()->rect().contains(shown);
    };
    QVERIFY(!inView(far));
    QVERIFY(pane->LocateObject(far->ObjectId()));
    QCOMPARE(doc.CurrentPage(), second);
    QVERIFY(view->PageWindow()->IsSelected(far));
    QVERIFY(inView(far));
    QCOMPARE(view->ZoomPercent(), 800);

    QVERIFY(pane->LocateObject(near->ObjectId()));
    QVERIFY(view->PageWindow()->IsSelected(near));
    QVERIFY(inView(near));
}

} // namespace kdx::test
