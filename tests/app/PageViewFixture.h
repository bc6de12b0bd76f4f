#pragma once
#include "app/page/CPageView.h"
#include "model/DrawObj.h"
#include "model/PageDoc.h"

#include <QImage>
#include <QPoint>
#include <memory>

namespace kdx::test {

// A document with one current page of 480 x 272 and a shown page view,
// driven by the mouse in page coordinates.
struct PageViewFixture {
    CPageDoc doc;
    CPage* page = nullptr;
    std::unique_ptr<CPageView> view;

    PageViewFixture();
    CPageWnd* wnd() const { return view->PageWindow(); }

    // A rectangle with a black outline, or with the fill and no outline.
    CDrawObj* AddRect(PageRect rect, Color fill = kNoColor);

    // A page point in the page window's own coordinates.
    static QPoint At(int x, int y) { return {x + CPageWnd::kFrameWidth, y + CPageWnd::kFrameWidth}; }
    void Click(int x, int y, Qt::KeyboardModifiers mods = {});
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers mods = {});
    QImage Shot() const { return wnd()->grab().toImage(); }
    QRgb PagePixel(const QImage& image, int x, int y) const { return image.pixel(At(x, y)); }
};

} // namespace kdx::test
