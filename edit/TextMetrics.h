#pragma once
#include <QFont>
#include <QFontMetrics>
#include <QRawFont>
#include <QString>
#include <bitset>
#include <memory>
#include <vector>

#include "edit/TextStore.h"

namespace kdx {

// Font measures of the control. Unit widths are cached per UTF-16 unit so
// that wrapping and caret placement of long texts need no shaping calls.
class TextMetrics {
public:
    TextMetrics();

    // A font of fixed cells (a terminal font) may give its cell height, so
    // that rows stand at the cell pitch rather than the taller ascent +
    // descent of the screen font that stands for it, and its cell width, so
    // that characters are as wide as the terminal makes them (half a cell or
    // a whole one) and wrapping agrees with the panel whatever screen font
    // stands for the terminal font.
    void SetFont(const QFont& font, int cellHeight = 0, int cellWidth = 0);
    // The font as set, and the one text is painted with (with the spacing).
    const QFont& Font() const { return font_; }
    const QFont& PaintFont() const { return paintFont_; }
    int CellWidth() const { return m_cellWidth; }
    // The paint font's glyphs, for placing each at its measured x.
    const QRawFont& RawFont() const;
    // Extra pixels after every character, as the terminal's character
    // spacing puts them (TABs advance by spaces that carry it too).
    void SetCharSpacing(int spacing);
    int CharSpacing() const { return charSpacing_; }
    void SetTabSize(int tabSize) { tabSize_ = tabSize; }
    int TabSize() const { return tabSize_; }
    void SetLineSpacing(int spacing) { lineSpacing_ = spacing; }
    int LineSpacing() const { return lineSpacing_; }

    int FontHeight() const { return fontHeight_; }
    int Ascent() const { return ascent_; }
    int RowHeight() const { return fontHeight_ + lineSpacing_; }
    int AverageWidth() const { return averageWidth_; }
    int WideWidth() const { return wideWidth_; }
    int SpaceWidth() const { return spaceWidth_; }
    int WidestDigit() const { return widestDigit_; }
    int LineEndWidth() const { return fontHeight_ * 2 / 3 > 3 ? fontHeight_ * 2 / 3 : 4; }

    // The width table: -1 where a unit was not measured yet.
    const int16_t* WidthTable() const { return widths_.data(); }
    int MeasureUnit(char16_t unit) const;

    int UnitWidth(char16_t unit) const
    {
        const int cached = widths_[unit];
        return cached >= 0 ? cached : MeasureUnit(unit);
    }
    // Visual columns a unit advances when it starts at visual column `column`.
    int ColumnsOf(char16_t unit, int column) const
    {
        if (unit != u'\t')
            return 1;
        return tabSize_ > 0 ? tabSize_ - column % tabSize_ : 0;
    }
    // Pixel advance of a unit at a visual column (TABs by spaces).
    int AdvanceOf(char16_t unit, int column) const
    {
        return unit == u'\t' ? ColumnsOf(unit, column) * spaceWidth_ : UnitWidth(unit);
    }

    // Pixel x of `column` within a row.
    int XOfColumn(const RowEntry& row, int column) const;
    // Column nearest to pixel x within a row.
    int ColumnAtX(const RowEntry& row, int x) const;
    // Visual column of `column` within a row.
    int VisualColumn(const RowEntry& row, int column) const;

private:
    QFont font_;
    QFont paintFont_;
    int charSpacing_ = 0;
    int cellHeight_ = 0;
    int m_cellWidth = 0;
    int tabSize_ = 8;
    int lineSpacing_ = 0;
    int fontHeight_ = 0;
    int ascent_ = 0;
    int averageWidth_ = 0;
    int wideWidth_ = 0;
    int spaceWidth_ = 0;
    int widestDigit_ = 0;
    mutable std::vector<int16_t> widths_;
    mutable QRawFont rawFont_;
    mutable bool rawFontValid_ = false;
    QFontMetrics metrics_;
};

// Word wrap of logical lines: mode 1 by pixels, mode 2 by visual columns.
class WrapSplitter : public RowSplitter {
public:
    WrapSplitter(const TextMetrics& metrics, const QString& delimiters)
        : metrics_(metrics), delimiters_(delimiters) {}

    void SetMode(int mode, int limit) { mode_ = mode; limit_ = limit; }
    int Mode() const { return mode_; }
    int Limit() const { return limit_; }
    void Split(const char16_t* text, int length, std::vector<RowPiece>& pieces) const override;

private:
    bool IsBreak(char16_t unit) const;

    const TextMetrics& metrics_;
    const QString& delimiters_;
    // Blanks and delimiters as a set, rebuilt when the delimiters change.
    mutable std::unique_ptr<std::bitset<65536>> breaks_;
    mutable QString breaksFor_;
    int mode_ = 1;
    int limit_ = 1;
};

} // namespace kdx
