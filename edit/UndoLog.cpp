#include "edit/UndoLog.h"

#include <algorithm>

namespace kdx {

void UndoLog::BeginAction(UndoAction type)
{
    if (depth_++ == 0) {
        action_ = type;
        groupStarted_ = false;
    }
}

void UndoLog::EndAction()
{
    if (depth_ > 0 && --depth_ == 0)
        action_ = ACTION_NONE;
}

void UndoLog::Reset()
{
    entries_.clear();
    entries_.shrink_to_fit();
    capacity_ = 0;
    position_ = 0;
    cleanPosition_ = 0;
    groupStarted_ = false;
}

void UndoLog::DiscardRedo()
{
    entries_.resize(position_);
    if (cleanPosition_ > position_)
        cleanPosition_ = -1;  // the clean state can no longer be reached
}

void UndoLog::MakeRoom()
{
    if (Spare() > 0)
        return;
    if (Total() < kLimit) {
        capacity_ += std::min(kGrowStep, kLimit - Total());
        entries_.reserve(capacity_);
        return;
    }
    const int half = Total() / 2;
    entries_.erase(entries_.begin(), entries_.begin() + half);
    entries_.front().flags |= UNDO_GROUP_START;
    position_ -= half;
    cleanPosition_ = cleanPosition_ >= half ? cleanPosition_ - half : -1;
}

UndoEntry& UndoLog::Add(uint16_t flags)
{
    DiscardRedo();
    MakeRoom();
    UndoEntry entry;
    entry.flags = flags;
    if (depth_ > 0) {
        entry.flags |= UNDO_IN_GROUP;
        if (!groupStarted_) {
            entry.flags |= UNDO_GROUP_START;
            groupStarted_ = true;
        }
        entry.actionType = action_;
    }
    entries_.push_back(std::move(entry));
    ++position_;
    return entries_.back();
}

void UndoLog::RecordInsert(TextPos start, TextPos end)
{
    if (start == end)
        return;
    if (CurrentAction() == ACTION_TYPING && start.line == end.line && position_ > 0
        && position_ == Total() && position_ != cleanPosition_) {
        UndoEntry& last = entries_[position_ - 1];
        if (last.actionType == ACTION_TYPING && (last.flags & UNDO_INSERTED)
            && last.start.line == start.line && last.end.line == start.line
            && last.end.column == start.column) {
            last.end.column = end.column;
            groupStarted_ = true;
            return;
        }
    }
    UndoEntry& entry = Add(UNDO_INSERTED);
    entry.start = start;
    entry.end = end;
}

void UndoLog::RecordDelete(TextPos start, TextPos end, std::u16string text)
{
    if (start == end)
        return;
    UndoEntry& entry = Add(UNDO_DELETED);
    entry.start = start;
    entry.end = end;
    entry.text = std::move(text);
}

} // namespace kdx
