#pragma once
#include <QString>
#include <string>
#include <string_view>

#include "edit/EditDocument.h"
#include "edit/EditSelection.h"
#include "edit/TextMetrics.h"

namespace kdx {

// What editing asks of whatever shows the text: its scroll position, the
// clipboard, and the repaint and notices that follow a change. The control
// implements it; tests give a small stand-in.
class EditView {
public:
    virtual ~EditView() = default;

    // The first row shown and how many rows fit.
    virtual int FirstRow() const = 0;
    virtual int VisibleRows() const = 0;
    // Scrolls the first row shown towards `row`; returns the first row shown.
    virtual int ScrollTo(int row) = 0;
    // After the caret moved: brings it into view and shows it at once.
    virtual void CaretMoved() = 0;
    virtual void RepaintRows(int first, int last) = 0;
    virtual void RepaintAll() = 0;
    // True when the text may not change now (the view says why).
    virtual bool RefuseIfReadOnly() = 0;
    virtual void SetModified(bool modified) = 0;
    // After the text changed: the changed rows (`all`: every row), the
    // scroll range and the caret.
    virtual void AfterEdit(bool all) = 0;
    // Puts the selection on the clipboard; false when there is none.
    virtual bool Copy() = 0;
    // Inserts the clipboard's text; false when it holds none.
    virtual bool Paste() = 0;
};

// Settings that change what typing inserts.
struct EditOptions {
    bool tabsAsSpaces = false;
    bool overwrite = false;
};

// The text control without its widget: the document with its history, the
// caret and selection, the measures that place them, and every edit and
// caret move the keys, the mouse and owners make. Changes are reported to
// the view, which repaints and scrolls.
class EditModel {
public:
    explicit EditModel(EditView& view);
    // The word delimiters a new model starts with.
    static QString DefaultDelimiters();
    EditModel(const EditModel&) = delete;
    EditModel& operator=(const EditModel&) = delete;

    EditView& View() { return m_view; }
    EditDocument& Document() { return m_document; }
    const EditDocument& Document() const { return m_document; }
    const TextStore& Store() const { return m_document.Store(); }
    TextMetrics& Metrics() { return m_metrics; }
    const TextMetrics& Metrics() const { return m_metrics; }
    EditSelection& Selection() { return m_selection; }
    const EditSelection& Selection() const { return m_selection; }
    EditOptions& Options() { return m_options; }
    const EditOptions& Options() const { return m_options; }
    // Units that end a word besides blanks (and where rows may wrap).
    const QString& Delimiters() const { return m_delimiters; }
    void SetDelimiters(const QString& delimiters);

    // Positions: logical (line, unit) and on screen (row, unit).
    TextPos PosOf(EditCell cell) const { return Store().RowToLogical(cell.row, cell.column); }
    EditCell CellOf(TextPos pos) const;
    TextPos CaretPos() const { return PosOf(m_selection.Caret()); }
    // Pixel x of the caret within its row.
    int CaretX() const;
    bool HasSelection() const { return m_selection.Active(); }
    TextPos SelectionStart() const;
    TextPos SelectionEnd() const;
    bool IsInSelection(TextPos pos) const;
    std::u16string SelectedText() const;

    // Word steps: over blanks, then a run of delimiters or of other units.
    TextPos WordLeft(TextPos from) const;
    TextPos WordRight(TextPos from) const;
    // The word (blank run, single delimiter) around a position.
    TextPos WordStartAt(TextPos pos) const;
    TextPos WordEndAt(TextPos pos) const;

    // Caret and selection.
    void SetCaretLogical(TextPos pos, bool keepPreferredX = false);
    void MoveCaret(EditCell to, bool extend, bool keepPreferredX = false);
    void ClearRowSelection();
    void ClearSelection();
    void SetStreamSelection(TextPos anchor, TextPos caret);
    void SetColumnSelection(int firstRow, int lastRow, int leftX, int rightX);
    void SelectAll();
    // Selects whole words from the word [wordStart, wordEnd) a double-click
    // selected to the word at `at`, the caret at the far end.
    void SelectWordsTo(TextPos at, TextPos wordStart, TextPos wordEnd);
    void ToggleBookmark();

    // Editing steps of keys, the mouse and owners; each undoes as one step.
    TextPos InsertAt(TextPos at, std::u16string_view text);
    void RemoveRange(TextPos from, TextPos to);
    void DeleteSelection();
    void TypeText(const std::u16string& text);
    void Tab();
    void NewLine();
    // Backspace and Delete: the selection, else one unit or word.
    void DeleteBesideCaret(bool forward, bool word);
    bool Cut();
    // Inserts pasted text over the selection (a column block at the caret's x).
    void PasteText(const std::u16string& text, bool block);
    // Inserts dropped text at `at`; text dragged from the selection and
    // moved lands where `at` is once the selection is gone.
    void DropText(const std::u16string& text, TextPos at, bool copy, bool fromSelection, bool block);
    // Removes the selection that a drag moved into another window.
    void DeleteMovedSelection();
    // Inserts the rows of a block from line `line` on at pixel x `x`.
    void InsertAsColumnBlock(const std::u16string& text, int x, int line);
    bool Undo();
    bool Redo();

private:
    bool IsBlank(char16_t unit) const { return unit == u' ' || unit == u'\t'; }
    bool IsDelimiter(char16_t unit) const { return m_delimiters.contains(QChar(unit)); }
    std::u16string FillTo(int line, int x) const;
    std::u16string Indentation(TextPos caret) const;
    void ApplyUndoStep(bool undo);

    EditView& m_view;
    EditDocument m_document;
    TextMetrics m_metrics;
    QString m_delimiters;
    EditSelection m_selection;
    EditOptions m_options;
};

} // namespace kdx
