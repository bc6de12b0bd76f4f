#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "edit/TextStore.h"
#include "edit/UndoLog.h"

namespace kdx {

// The text of the control with its history. Every insertion and removal
// passes through Insert and Remove (or an undo or redo step), which record
// it in the undo log and report the rows it touched, so no edit can skip
// the history or the repaint. Rows may be re-split and lines bookmarked
// through the few layout calls below; they never change the text.
class EditDocument {
public:
    // Called after every change of the text: the first row of the first
    // line touched, and whether rows were added or removed.
    using ChangeListener = std::function<void(int firstRow, bool rowsMoved)>;

    EditDocument() = default;
    EditDocument(const EditDocument&) = delete;
    EditDocument& operator=(const EditDocument&) = delete;

    const TextStore& Store() const { return m_store; }
    const UndoLog& History() const { return m_undo; }
    void SetChangeListener(ChangeListener listener) { m_listener = std::move(listener); }

    // Inserts text at a clamped position, cut to the text limit; returns
    // the end of what was inserted.
    TextPos Insert(TextPos at, std::u16string_view text);
    // Removes the text between two positions (in either order).
    void Remove(TextPos from, TextPos to);

    // The length the text has when each wrap point is written as one unit
    // (line breaks count 2).
    int64_t WrappedLength() const
    {
        return m_store.TotalLength() + (m_store.RowCount() - m_store.LineCount());
    }
    // 0 means no limit; undo and redo are not limited.
    void SetTextLimit(int units) { m_textLimit = units; }
    int TextLimit() const { return m_textLimit; }

    // A compound action: the edits made while the returned scope lives undo
    // together.
    [[nodiscard]] UndoActionScope Action(UndoAction type) { return UndoActionScope(m_undo, type); }
    bool CanUndo() const { return m_undoEnabled && m_undo.Position() > 0; }
    bool CanRedo() const { return m_undoEnabled && m_undo.Total() > m_undo.Position(); }
    // Applies one undo (redo) step; returns where the caret goes.
    TextPos Undo(TextPos caret);
    TextPos Redo(TextPos caret);
    // True when the text is as it was when MarkClean was last called.
    bool AtClean() const { return m_undo.AtClean(); }
    void ResetUndo() { m_undo.Reset(); }
    void SetUndoEnabled(bool on);
    bool UndoEnabled() const { return m_undoEnabled; }

    // Layout calls: re-splitting rows and bookmarks leave the text alone.
    void SetSplitter(const RowSplitter* splitter, const std::function<void(int)>& progress)
    {
        m_store.SetSplitter(splitter, progress);
    }
    void BeginRewrap(const RowSplitter* splitter) { m_store.BeginRewrap(splitter); }
    void RewrapLines(int fromLine, int toLine) { m_store.RewrapLines(fromLine, toLine); }
    bool RewrapSome(const std::function<bool()>& more) { return m_store.RewrapSome(more); }
    bool SetBookmark(int line, bool on) { return m_store.SetBookmark(line, on); }
    void ClearBookmarks() { m_store.ClearBookmarks(); }

private:
    TextPos InsertWithinLimit(TextPos at, std::u16string_view text);
    void Changed(int line, int oldRows);

    TextStore m_store;
    UndoLog m_undo;
    ChangeListener m_listener;
    bool m_undoEnabled = true;
    int m_textLimit = 0;
};

} // namespace kdx
