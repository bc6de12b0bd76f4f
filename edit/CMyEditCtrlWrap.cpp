#include "edit/CMyEditCtrl.h"

#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

// The control's word wrap: when rows are re-split, at once or on screen
// first and the rest in slices between events.

namespace kdx {

void CMyEditCtrl::Relayout()
{
    const int oldWidth = m_layout.TextRect().width();
    Layout();
    if (m_layout.WrapMode() == 1 && m_layout.TextRect().width() != oldWidth)
        ScheduleRewrap();
}

void CMyEditCtrl::ApplyWrap()
{
    m_layout.WrapAll(m_model.Document(), [this](int percent) { Notify(NOTIFY_LAYOUT_PROGRESS, percent); });
}

void CMyEditCtrl::RewrapNow()
{
    wrapTimer_.stop();
    const bool hadSelection = HasSelection() && !m_model.Selection().IsColumn();
    const TextPos anchor = m_model.Selection().Anchor();
    const TextPos caret = m_model.CaretPos();
    m_model.ClearRowSelection();
    ApplyWrap();
    m_model.SetCaretLogical(caret);
    if (hadSelection)
        m_model.SetStreamSelection(anchor, caret);
    else
        m_model.Selection().SetAnchor(caret);
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
}

void CMyEditCtrl::ApplySizeNow()
{
    const int oldWidth = m_layout.TextRect().width();
    Layout();
    if (m_layout.WrapMode() == 1 && (m_layout.WrapPending() || m_layout.TextRect().width() != oldWidth))
        RewrapNow();
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
}

void CMyEditCtrl::ScheduleRewrap()
{
    if (hasFocus())
        StartRewrap();
    else
        m_layout.SetWrapPending(true);
}

CMyEditCtrl::ViewAnchor CMyEditCtrl::SaveView() const
{
    return {m_model.PosOf({m_layout.FirstRow(), 0}), m_model.CaretPos(), m_model.Selection().Anchor(), HasSelection() && !m_model.Selection().IsColumn()};
}

// Puts the view, the caret and the selection back at their logical
// positions after rows before or under them were re-split.
void CMyEditCtrl::RestoreView(const ViewAnchor& view)
{
    m_layout.SetFirstRow(Store().RowOfPos(view.top));
    QScrollBar* vertical = verticalScrollBar();
    {
        // The text under the view does not move: no scroll, no repaint.
        const QSignalBlocker block(vertical);
        vertical->setRange(0, std::max(0, Store().RowCount() - std::max(1, VisibleRows()) + 1));
        vertical->setValue(m_layout.FirstRow());
    }
    if (vertical->value() != m_layout.FirstRow()) {
        m_layout.SetFirstRow(vertical->value());
        viewport()->update();
    }
    m_model.SetCaretLogical(view.caret, true);
    if (view.selection)
        m_model.SetStreamSelection(view.anchor, view.caret);
    else
        m_model.Selection().SetAnchor(view.caret);
}

void CMyEditCtrl::StartRewrap()
{
    m_layout.SetWrapPending(false);
    if (m_layout.WrapMode() == 0 || Store().TotalLength() <= kBackgroundWrapUnits) {
        RewrapNow();
        return;
    }
    const ViewAnchor view = SaveView();
    m_model.ClearRowSelection();
    // A page either way of the caret too, so that paging from it lands on
    // rows already right.
    m_layout.BeginWrap(m_model.Document(), view.top.line, view.caret.line, std::max(1, VisibleRows()) + 1);
    RestoreView(view);
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
    wrapTimer_.start();
}

void CMyEditCtrl::WrapSlice()
{
    if (!Store().RewrapPending()) {
        wrapTimer_.stop();
        return;
    }
    constexpr qint64 kSliceNs = 4'000'000;
    const ViewAnchor view = SaveView();
    const int lastVisibleLine = Store().LineOfRow(
        std::min(m_layout.FirstRow() + VisibleRows(), Store().RowCount() - 1));
    m_model.ClearRowSelection();
    int fromLine = 0;
    int toLine = 0;
    const bool done = m_layout.WrapSome(m_model.Document(), kSliceNs, fromLine, toLine);
    RestoreView(view);
    if (fromLine <= lastVisibleLine && toLine > view.top.line)
        viewport()->update();
    const int percent = m_layout.TakeWrapProgress(toLine, done);
    if (percent >= 0)
        Notify(NOTIFY_LAYOUT_PROGRESS, percent);
    if (done)
        wrapTimer_.stop();
}

void CMyEditCtrl::SetWrapMode(int mode, int width)
{
    m_layout.SetWrapMode(mode, width);
    StartRewrap();
}

} // namespace kdx
