#include "model/PagePaint.h"

#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "model/TerminalPaint.h"

#include <QPainter>

namespace kdx {

void PaintPageBackground(QPainter& p, const CPage& page, QSize pageSize, const QRect& area)
{
    if (page.BackgroundImage() && !page.BackgroundImage()->bitmap.isNull()) {
        PaintPicture(p, PageRect{0, 0, pageSize.width(), pageSize.height()}, page.BackgroundImage()->bitmap);
    } else if (page.BackgroundColor() != kNoColor) {
        p.fillRect(area, QColorOf(page.BackgroundColor()));
    }
}

void PaintPageContent(QPainter& p, const CPage& page, QSize pageSize, const DrawStyle& style, PageMarks marks)
{
    PaintPageBackground(p, page, pageSize, QRect(QPoint(0, 0), pageSize));
    for (const auto& object : page.Objects()) {
        if (marks == PageMarks::Hidden && dynamic_cast<const CDrawCustom*>(object.get()))
            continue;
        p.save();
        object->Draw(p, style);
        p.restore();
    }
}

} // namespace kdx
