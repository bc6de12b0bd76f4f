#include "app/page/CMyView.h"

#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace kdx {

CMyView::CMyView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
}

void CMyView::SetTotalSize(const QSize& size)
{
    totalSize_ = size;
    UpdateScrollBars();
    viewport()->update();
}

QPoint CMyView::ScrollPosition() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void CMyView::UpdateScrollBars()
{
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, totalSize_.width() - page.width()));
    verticalScrollBar()->setRange(0, std::max(0, totalSize_.height() - page.height()));
    horizontalScrollBar()->setPageStep(page.width());
    verticalScrollBar()->setPageStep(page.height());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(16);
}

void CMyView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CMyView::scrollContentsBy(int, int)
{
    viewport()->update();
    emit Scrolled(ScrollPosition());
}

void CMyView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
        event->ignore();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

} // namespace kdx
