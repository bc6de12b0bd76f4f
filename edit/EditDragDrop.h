#pragma once
#include <QPoint>
#include <QString>
#include <string>

#include "edit/EditSelection.h"

class QMimeData;

namespace kdx {

// The text a control hands to the clipboard or a drag and takes from a
// drop, and the state of a drag: a press inside the selection that becomes
// a drag once the pointer moves, the caret shown where a drop would land,
// and whether a drag ended on the control it started from.
class EditDragDrop {
public:
    // MIME type that marks a column block copied by a control.
    static constexpr const char* kColumnBlockMime = "application/x-kdx-column-block";
    // MIME type naming the control a drag started from.
    static constexpr const char* kDragSourceMime = "application/x-kdx-drag-source";

    // `owner` tells this control's blocks and drags from other controls'.
    explicit EditDragDrop(const void* owner) : m_owner(owner) {}

    // The selected text; a column block is marked as one, with its length.
    QMimeData* CreateMimeData(const QString& text, bool columnBlock) const;
    // The same, naming this control as the source of a drag.
    QMimeData* CreateDragMimeData(const QString& text, bool columnBlock) const;
    // Remembers the block mark of data this control gave away, so that only
    // that very block pastes or drops back as a block.
    void RememberBlock(const QMimeData* data);
    bool IsOwnColumnBlock(const QMimeData* data) const;
    bool IsFromSelf(const QMimeData* data) const;
    // The text of data from elsewhere: lone LF line ends become the
    // control's CR LF (a lone CR stays a character).
    static std::u16string ForeignText(const QMimeData* data);
    static std::u16string PlainText(const QMimeData* data);

    // Where text dropped at `at` goes once the moved stream [start, end)
    // before it is removed.
    static TextPos MoveTarget(TextPos at, TextPos start, TextPos end);

    // A press inside the selection waits for the pointer to move.
    void Press(QPoint pos) { m_pending = true; m_pressPos = pos; }
    bool Pending() const { return m_pending; }
    bool FarEnough(QPoint pos) const;
    QPoint PressPos() const { return m_pressPos; }
    void EndPending() { m_pending = false; }

    // The caret that shows where a drop lands.
    void ShowDropCaret(EditCell cell) { m_dropCaret = true; m_dropCell = cell; }
    void ShowDropCaret() { m_dropCaret = true; }
    void HideDropCaret() { m_dropCaret = false; }
    bool DropCaretShown() const { return m_dropCaret; }
    EditCell DropCell() const { return m_dropCell; }

    // A drag of this control's selection: set when it ended on the control.
    void BeginDrag() { m_droppedOnSelf = false; }
    void MarkDroppedOnSelf() { m_droppedOnSelf = true; }
    bool DroppedOnSelf() const { return m_droppedOnSelf; }

private:
    QString SourceToken() const;

    const void* m_owner;
    QString m_blockToken;
    bool m_pending = false;
    QPoint m_pressPos;
    bool m_dropCaret = false;
    EditCell m_dropCell;
    bool m_droppedOnSelf = false;
};

} // namespace kdx
