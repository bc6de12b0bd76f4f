#include "PageViewFixture.h"

#include <QTest>

namespace kdx::test {

PageViewFixture::PageViewFixture()
{
    page = doc.AddPage();
    doc.SetCurrentPage(page);
    view = std::make_unique<CPageView>(doc);
    view->resize(640, 400);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
}

CDrawObj* PageViewFixture::AddRect(PageRect rect, Color fill)
{
    CDrawObj* object = doc.AddObject(std::make_unique<CDrawRect>(rect));
    if (fill != kNoColor)
        object->SetFillColor(fill);
    else
        object->SetLineColor(0);
    return object;
}

void PageViewFixture::Click(int x, int y, Qt::KeyboardModifiers mods)
{
    QTest::mouseClick(wnd(), Qt::LeftButton, mods, At(x, y));
}

void PageViewFixture::Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods)
{
    QTest::mousePress(wnd(), Qt::LeftButton, mods, At(from.x(), from.y()));
    QTest::mouseMove(wnd(), At((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
    QTest::mouseMove(wnd(), At(to.x(), to.y()));
    QTest::mouseRelease(wnd(), Qt::LeftButton, mods, At(to.x(), to.y()));
}

} // namespace kdx::test
