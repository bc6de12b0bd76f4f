#pragma once
#include <QColor>
#include <QRect>
#include <functional>
#include <vector>

#include "edit/EditLayout.h"
#include "edit/EditSelection.h"
#include "edit/TextMetrics.h"

class QPainter;

namespace kdx {

// Colour slots of the control.
enum EditColour {
    COLOUR_TEXT = 1,
    COLOUR_BACKGROUND = 2,
    COLOUR_SELECTED_TEXT = 3,
    COLOUR_SELECTION = 4,
    COLOUR_RULER_MARKS = 5,
    COLOUR_RULER_BACKGROUND = 6,
    COLOUR_LINE_NUMBERS = 7,
    COLOUR_NUMBER_BACKGROUND = 8,
    COLOUR_CURRENT_ROW = 9,
    COLOUR_BOOKMARK = 10,
    COLOUR_WHITESPACE = 11,
};

// What is shown besides the text.
struct EditPaintOptions {
    bool spacesAndTabs = true;
    bool lineEnds = true;
    bool currentLine = true;
    // The text colour of a line when it is not the usual one (an invalid
    // colour: the usual one), given the line's number.
    std::function<QColor(int line)> lineColour;
};

// Paints the rows of the control (background, selection, text, whitespace
// marks, line ends) and its margins (ruler, line numbers). Every glyph and
// mark stands at the x the control measures with, so that the caret, the
// pointer and the marks meet the drawn text to the pixel.
class EditPainter {
public:
    static constexpr int kColourSlots = 12;

    EditPainter(const TextStore& store, const TextMetrics& metrics, const EditSelection& selection,
                const EditLayout& layout);

    QColor& Colour(int slot) { return m_colours[slot]; }
    const QColor& Colour(int slot) const { return m_colours[slot]; }
    EditPaintOptions& Options() { return m_options; }
    const EditPaintOptions& Options() const { return m_options; }

    // One row's text part; rect spans the row across the viewport.
    void PaintRow(QPainter& painter, int row, const QRect& rect);
    void PaintRuler(QPainter& painter, const QRect& rect);
    void PaintLineNumber(QPainter& painter, int row, const QRect& rect);
    // The area below the last row, from y down.
    void PaintBelowText(QPainter& painter, int y, const QRect& viewport);
    // The caret (2 pixels wide, font height high) at a cell.
    void PaintCaret(QPainter& painter, EditCell cell);

    // Draws `length` units (no TABs or control units) with their glyphs at
    // the measured advances from x on the baseline.
    void DrawUnits(QPainter& painter, int x, int baseline, const char16_t* units, int length);

private:
    void PaintWhitespace(QPainter& painter, const RowEntry& entry, int x0, int top);
    void PaintLineEnd(QPainter& painter, int row, int x, int top);

    const TextStore& m_store;
    const TextMetrics& m_metrics;
    const EditSelection& m_selection;
    const EditLayout& m_layout;
    QColor m_colours[kColourSlots];
    EditPaintOptions m_options;
    std::vector<quint32> m_glyphs;
};

} // namespace kdx
