#pragma once
#include <cstdint>

#include "edit/TextStore.h"

namespace kdx {

class TextMetrics;

// A place in the view: a row and a unit within it.
struct EditCell {
    int row = 0;
    int column = 0;
};

// The caret and the selection of the control: a stream of text from the
// anchor to the caret, or a column block of rows between two x positions.
// The selected part of each row is worked out when asked, from the
// logical positions (stream) or the pixel edges (block), so that rows can
// be re-split or moved without carrying selection marks along.
class EditSelection {
public:
    enum class Mode { None, Stream, Column };

    EditCell& Caret() { return m_caret; }
    const EditCell& Caret() const { return m_caret; }
    // The x that vertical moves try to keep.
    int& PreferredX() { return m_preferredX; }
    int PreferredX() const { return m_preferredX; }
    TextPos Anchor() const { return m_anchor; }
    void SetAnchor(TextPos anchor) { m_anchor = anchor; }

    bool Active() const { return m_mode != Mode::None; }
    bool IsColumn() const { return m_mode == Mode::Column; }
    int FirstRow() const { return m_firstRow; }
    int LastRow() const { return m_lastRow; }
    // Units selected, line breaks counting 2 (a block: 2 per row more).
    int64_t Length() const { return m_length; }
    int LeftX() const { return m_leftX; }
    int RightX() const { return m_rightX; }

    // Drops the selection; the anchor and the caret stay.
    void Clear();
    // Selects from anchor to caret; nothing when they meet.
    void SetStream(const TextStore& store, TextPos anchor, TextPos caret);
    // Selects the rows between two x positions; the anchor goes to the
    // block's first unit.
    void SetColumn(const TextStore& store, const TextMetrics& metrics, int firstRow, int lastRow, int leftX,
                   int rightX);

    // The selected units of a row as [start, end); end is the row length
    // + 1 when the row's line break is selected too. False when none is.
    bool RowSpan(const TextStore& store, const TextMetrics& metrics, int row, int& start, int& end) const;
    // First and last position of the selection; caret is its logical place.
    TextPos Start(const TextStore& store, const TextMetrics& metrics, TextPos caret) const;
    TextPos End(const TextStore& store, const TextMetrics& metrics, TextPos caret) const;
    bool Contains(const TextStore& store, const TextMetrics& metrics, TextPos pos, TextPos caret) const;

private:
    Mode m_mode = Mode::None;
    EditCell m_caret;
    int m_preferredX = 0;
    TextPos m_anchor;
    TextPos m_streamStart;
    TextPos m_streamEnd;
    int m_firstRow = -1;
    int m_lastRow = -1;
    int m_leftX = 0;
    int m_rightX = 0;
    int64_t m_length = 0;
};

} // namespace kdx
