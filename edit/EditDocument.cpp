#include "edit/EditDocument.h"

#include <QChar>
#include <algorithm>

namespace kdx {

void EditDocument::Changed(int line, int oldRows)
{
    if (m_listener)
        m_listener(m_store.FirstRowOfLine(line), oldRows != m_store.RowCount());
}

TextPos EditDocument::InsertWithinLimit(TextPos at, std::u16string_view text)
{
    TextPos end = m_store.Insert(at, text);
    if (m_textLimit <= 0 || WrappedLength() <= m_textLimit || end == at)
        return end;
    // Over the limit: take the insertion back and insert the longest head
    // of it that fits. Wrap points move with the text, so the head is found
    // by trying, among heads no longer than the room left.
    m_store.Remove(at, end);
    const auto fits = [&](size_t units) {
        const TextPos tried = m_store.Insert(at, text.substr(0, units));
        const bool ok = WrappedLength() <= m_textLimit;
        m_store.Remove(at, tried);
        return ok;
    };
    size_t low = 0;
    size_t high = static_cast<size_t>(
        std::clamp<int64_t>(m_textLimit - WrappedLength(), 0, static_cast<int64_t>(text.size())));
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (fits(middle))
            low = middle;
        else
            high = middle - 1;
    }
    if (low > 0 && low < text.size() && text[low - 1] == u'\r' && text[low] == u'\n')
        --low;  // never half a line break
    if (low > 0 && QChar::isHighSurrogate(text[low - 1]))
        --low;  // nor half a character
    return m_store.Insert(at, text.substr(0, low));
}

TextPos EditDocument::Insert(TextPos at, std::u16string_view text)
{
    at = m_store.Clamp(at);
    const int rows = m_store.RowCount();
    const TextPos end = InsertWithinLimit(at, text);
    if (m_undoEnabled)
        m_undo.RecordInsert(at, end);
    Changed(at.line, rows);
    return end;
}

void EditDocument::Remove(TextPos from, TextPos to)
{
    from = m_store.Clamp(from);
    to = m_store.Clamp(to);
    if (to < from)
        std::swap(from, to);
    if (from == to)
        return;
    const int rows = m_store.RowCount();
    std::u16string text = m_store.Remove(from, to);
    if (m_undoEnabled)
        m_undo.RecordDelete(from, to, std::move(text));
    Changed(from.line, rows);
}

// An undo step takes back the entries of one compound action, newest
// first; the log keeps the removed text so that redo can put it back.
TextPos EditDocument::Undo(TextPos caret)
{
    const int rows = m_store.RowCount();
    int firstLine = m_store.LineCount();
    int position = m_undo.Position();
    while (position > 0) {
        UndoEntry& entry = m_undo.At(position - 1);
        firstLine = std::min(firstLine, entry.start.line);
        if (entry.flags & UNDO_INSERTED) {
            entry.text = m_store.Remove(entry.start, entry.end);
            caret = entry.start;
        } else {
            entry.end = m_store.Insert(entry.start, entry.text);
            entry.text.clear();
            entry.text.shrink_to_fit();
            caret = entry.end;
        }
        --position;
        if ((entry.flags & UNDO_GROUP_START) || !(entry.flags & UNDO_IN_GROUP))
            break;
    }
    m_undo.SetPosition(position);
    Changed(firstLine, rows);
    return caret;
}

TextPos EditDocument::Redo(TextPos caret)
{
    const int rows = m_store.RowCount();
    int firstLine = m_store.LineCount();
    int position = m_undo.Position();
    while (position < m_undo.Total()) {
        UndoEntry& entry = m_undo.At(position);
        firstLine = std::min(firstLine, entry.start.line);
        if (entry.flags & UNDO_INSERTED) {
            entry.end = m_store.Insert(entry.start, entry.text);
            entry.text.clear();
            entry.text.shrink_to_fit();
            caret = entry.end;
        } else {
            entry.text = m_store.Remove(entry.start, entry.end);
            caret = entry.start;
        }
        ++position;
        if (position >= m_undo.Total())
            break;
        const UndoEntry& next = m_undo.At(position);
        if ((next.flags & UNDO_GROUP_START) || !(next.flags & UNDO_IN_GROUP))
            break;
    }
    m_undo.SetPosition(position);
    Changed(firstLine, rows);
    return caret;
}

void EditDocument::SetUndoEnabled(bool on)
{
    if (!on)
        m_undo.Reset();
    m_undoEnabled = on;
}

} // namespace kdx
