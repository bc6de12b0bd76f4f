#include "model/PagePaint.h"

#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "terminal/TerminalPaint.h"

#include <QPainter>

namespace kdx {

void PaintPageBackground(QPainter& p, const CPage& page, QSize pageSize, const QRect& area)
{
    p.fillRect(area, PageBackgroundColor(page));
    if (page.BackgroundImage() && !page.BackgroundImage()->bitmap.isNull())
        PaintPicture(p, PageRect{0, 0, pageSize.width(), pageSize.height()}, page.BackgroundImage()->bitmap);
}

QColor PageBackgroundColor(const CPage& page)
{
    // The terminal clears its screen to black before it draws a page, and a
    // picture's transparent pixels become black when it is converted.
    if (page.BackgroundColor() == kNoColor || (page.BackgroundImage() && !page.BackgroundImage()->bitmap.isNull()))
        return Qt::black;
    return QColorOf(page.BackgroundColor());
}

void PaintPageContent(QPainter& p, const CPage& page, QSize pageSize, const DrawStyle& style, PageMarks marks)
{
    PaintPageBackground(p, page, pageSize, QRect(QPoint(0, 0), pageSize));
    DrawStyle shown = style;
    shown.editorMarks = marks == PageMarks::Shown;
    for (const auto& object : page.Objects()) {
        if (marks == PageMarks::Hidden && dynamic_cast<const CDrawCustom*>(object.get()))
            continue;
        p.save();
        object->Draw(p, shown);
        p.restore();
    }
}

} // namespace kdx
