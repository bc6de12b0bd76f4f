#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "edit/TextStore.h"

namespace kdx {

constexpr uint16_t UNDO_GROUP_START = 1;
constexpr uint16_t UNDO_IN_GROUP = 2;
constexpr uint16_t UNDO_INSERTED = 4;
constexpr uint16_t UNDO_DELETED = 8;

// Kinds of compound actions.
enum UndoAction : uint16_t {
    ACTION_NONE = 0,
    ACTION_TYPING = 1,
    ACTION_DELETION = 2,
    ACTION_INSERTION = 3,
    ACTION_PASTE = 5,
    ACTION_DROP_COPY = 8,
    ACTION_DROP_MOVE = 9,
};

struct UndoEntry {
    uint16_t flags = 0;
    uint16_t actionType = ACTION_NONE;
    TextPos start;
    TextPos end;
    std::u16string text;  // deleted text, line breaks as CR LF
};

// The history of edits: entries below the position can be undone, entries
// from it up redone. Entries made inside one compound action undo together.
class UndoLog {
public:
    static constexpr int kGrowStep = 2048;
    static constexpr int kLimit = 0x4000;

    int Total() const { return static_cast<int>(entries_.size()); }
    int Position() const { return position_; }
    int CleanPosition() const { return cleanPosition_; }
    int Spare() const { return capacity_ - Total(); }
    void MarkClean() { cleanPosition_ = position_; }
    bool AtClean() const { return position_ == cleanPosition_; }

    void BeginAction(UndoAction type);
    void EndAction();
    int Depth() const { return depth_; }
    UndoAction CurrentAction() const { return depth_ > 0 ? action_ : ACTION_NONE; }

    void RecordInsert(TextPos start, TextPos end);
    void RecordDelete(TextPos start, TextPos end, std::u16string text);
    void Reset();

    // Entries of the next undo (redo) step, newest last (oldest last for redo):
    // the caller applies them and moves the position with Step.
    UndoEntry& At(int index) { return entries_[index]; }
    const UndoEntry& At(int index) const { return entries_[index]; }
    void SetPosition(int position) { position_ = position; }

private:
    UndoEntry& Add(uint16_t flags);
    void DiscardRedo();
    void MakeRoom();

    std::vector<UndoEntry> entries_;
    int capacity_ = 0;
    int position_ = 0;
    int cleanPosition_ = 0;
    int depth_ = 0;
    UndoAction action_ = ACTION_NONE;
    bool groupStarted_ = false;
};

// Opens a compound action for the lifetime of the scope.
class UndoActionScope {
public:
    UndoActionScope(UndoLog& log, UndoAction type) : log_(log) { log_.BeginAction(type); }
    ~UndoActionScope() { log_.EndAction(); }
    UndoActionScope(const UndoActionScope&) = delete;
    UndoActionScope& operator=(const UndoActionScope&) = delete;

private:
    UndoLog& log_;
};

} // namespace kdx
