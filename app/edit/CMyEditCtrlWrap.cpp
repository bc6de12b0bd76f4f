#include "app/edit/CMyEditCtrl.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

// The control's word wrap: when rows are re-split, at once or on screen
// first and the rest in slices between events.

namespace kdx {

void CMyEditCtrl::Relayout()
{
    const int oldWidth = textRect_.width();
    Layout();
    if (wrapMode_ == 1 && textRect_.width() != oldWidth)
        ScheduleRewrap();
}

void CMyEditCtrl::ApplyWrap()
{
    wrapPending_ = false;
    const auto progress = [this](int percent) { Notify(NOTIFY_LAYOUT_PROGRESS, percent); };
    if (wrapMode_ == 0) {
        if (store_.Wrapped())
            store_.SetSplitter(nullptr, progress);
        return;
    }
    splitter_.SetMode(wrapMode_, wrapMode_ == 1 ? textRect_.width() : wrapWidth_);
    store_.SetSplitter(&splitter_, progress);
}

void CMyEditCtrl::RewrapNow()
{
    wrapTimer_.stop();
    const bool hadSelection = HasSelection() && selMode_ != 2;
    const TextPos anchor = anchor_;
    const TextPos caret = PosOf({caretRow_, caretColumn_});
    ClearRowSelection();
    ApplyWrap();
    SetCaretLogical(caret);
    if (hadSelection)
        SetStreamSelection(anchor, caret);
    else
        anchor_ = caret;
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
}

void CMyEditCtrl::ApplySizeNow()
{
    const int oldWidth = textRect_.width();
    Layout();
    if (wrapMode_ == 1 && (wrapPending_ || textRect_.width() != oldWidth))
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
        wrapPending_ = true;
}

CMyEditCtrl::ViewAnchor CMyEditCtrl::SaveView() const
{
    return {PosOf({firstRow_, 0}), PosOf({caretRow_, caretColumn_}), anchor_, HasSelection() && selMode_ != 2};
}

// Puts the view, the caret and the selection back at their logical
// positions after rows before or under them were re-split.
void CMyEditCtrl::RestoreView(const ViewAnchor& view)
{
    firstRow_ = store_.RowOfPos(view.top);
    QScrollBar* vertical = verticalScrollBar();
    {
        // The text under the view does not move: no scroll, no repaint.
        const QSignalBlocker block(vertical);
        vertical->setRange(0, std::max(0, store_.RowCount() - std::max(1, VisibleRows()) + 1));
        vertical->setValue(firstRow_);
    }
    if (vertical->value() != firstRow_) {
        firstRow_ = vertical->value();
        viewport()->update();
    }
    SetCaretLogical(view.caret, true);
    if (view.selection)
        SetStreamSelection(view.anchor, view.caret);
    else
        anchor_ = view.caret;
}

void CMyEditCtrl::StartRewrap()
{
    wrapPending_ = false;
    if (wrapMode_ == 0 || store_.TotalLength() <= kBackgroundWrapUnits) {
        RewrapNow();
        return;
    }
    const ViewAnchor view = SaveView();
    ClearRowSelection();
    splitter_.SetMode(wrapMode_, wrapMode_ == 1 ? textRect_.width() : wrapWidth_);
    store_.BeginRewrap(&splitter_);
    // A page either way of the caret too, so that paging from it lands on
    // rows already right.
    const int span = std::max(1, VisibleRows()) + 1;
    store_.RewrapLines(view.top.line, view.top.line + span);
    store_.RewrapLines(view.caret.line - span, view.caret.line + span);
    RestoreView(view);
    UpdateScrollBars();
    EnsureCaretVisible();
    viewport()->update();
    wrapPercent_ = 0;
    wrapTimer_.start();
}

void CMyEditCtrl::WrapSlice()
{
    if (!store_.RewrapPending()) {
        wrapTimer_.stop();
        return;
    }
    constexpr qint64 kSliceNs = 4'000'000;
    const ViewAnchor view = SaveView();
    const int lastVisibleLine = store_.LineOfRow(std::min(firstRow_ + VisibleRows(), store_.RowCount() - 1));
    const int fromLine = store_.PendingLine();
    ClearRowSelection();
    QElapsedTimer clock;
    clock.start();
    const bool done = store_.RewrapSome([&] { return clock.nsecsElapsed() < kSliceNs; });
    const int toLine = done ? store_.LineCount() : store_.PendingLine();
    RestoreView(view);
    if (fromLine <= lastVisibleLine && toLine > view.top.line)
        viewport()->update();
    const int percent = done ? 100 : int(int64_t(toLine) * 100 / std::max(1, store_.LineCount()));
    if (percent > wrapPercent_) {
        wrapPercent_ = percent;
        Notify(NOTIFY_LAYOUT_PROGRESS, percent);
    }
    if (done)
        wrapTimer_.stop();
}

void CMyEditCtrl::SetWrapMode(int mode, int width)
{
    wrapMode_ = std::clamp(mode, 0, 2);
    wrapWidth_ = std::max(1, width);
    StartRewrap();
}

} // namespace kdx
