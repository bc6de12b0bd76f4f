#include "edit/TextMetrics.h"

#include "terminal/CellWidth.h"
#include "terminal/TextWrap.h"

#include <QFontDatabase>
#include <algorithm>

namespace kdx {

TextMetrics::TextMetrics() : metrics_(QFont())
{
    SetFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void TextMetrics::SetFont(const QFont& font, int cellHeight, int cellWidth)
{
    font_ = font;
    cellHeight_ = cellHeight;
    m_cellWidth = cellWidth;
    paintFont_ = font;
    paintFont_.setLetterSpacing(QFont::AbsoluteSpacing, charSpacing_);
    metrics_ = QFontMetrics(font);
    ascent_ = metrics_.ascent();
    fontHeight_ = std::max(1, cellHeight > 0 ? cellHeight : metrics_.ascent() + metrics_.descent());
    averageWidth_ = std::max(1, metrics_.averageCharWidth());
    wideWidth_ = std::max(2 * averageWidth_, metrics_.maxWidth());
    const int space = cellWidth > 0 ? CellAdvance(cellWidth, u' ') : metrics_.horizontalAdvance(QLatin1Char(' '));
    spaceWidth_ = std::max(1, space + charSpacing_);
    widestDigit_ = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widestDigit_ = std::max(widestDigit_, metrics_.horizontalAdvance(QLatin1Char(digit)));
    widths_.assign(65536, -1);
    rawFontValid_ = false;
}

const QRawFont& TextMetrics::RawFont() const
{
    if (!rawFontValid_) {
        rawFont_ = QRawFont::fromFont(paintFont_);
        rawFontValid_ = true;
    }
    return rawFont_;
}

void TextMetrics::SetCharSpacing(int spacing)
{
    spacing = std::max(0, spacing);
    if (spacing == charSpacing_)
        return;
    charSpacing_ = spacing;
    SetFont(QFont(font_), cellHeight_, m_cellWidth);
}

int TextMetrics::MeasureUnit(char16_t unit) const
{
    int width = 0;
    if (m_cellWidth > 0 && QChar::isSurrogate(unit))
        width = QChar::isHighSurrogate(unit) ? m_cellWidth + charSpacing_ : 0; // a pair is one character
    else if (m_cellWidth > 0)
        width = CellAdvance(m_cellWidth, unit) + charSpacing_;
    else if (unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF))
        width = spaceWidth_;  // control units and lone surrogates take a space's room
    else
        width = metrics_.horizontalAdvance(QChar(unit)) + charSpacing_;
    width = std::clamp(width, 0, 32767);
    widths_[unit] = static_cast<int16_t>(width);
    return width;
}

int TextMetrics::XOfColumn(const RowEntry& row, int column) const
{
    column = std::clamp(column, 0, row.length);
    int x = 0;
    int visual = row.startColumn;
    for (int i = 0; i < column; ++i) {
        x += AdvanceOf(row.text[i], visual);
        visual += ColumnsOf(row.text[i], visual);
    }
    return x;
}

int TextMetrics::ColumnAtX(const RowEntry& row, int x) const
{
    int left = 0;
    int visual = row.startColumn;
    for (int i = 0; i < row.length; ++i) {
        const int advance = AdvanceOf(row.text[i], visual);
        if (x < left + (advance + 1) / 2)
            return i;
        left += advance;
        visual += ColumnsOf(row.text[i], visual);
    }
    return row.length;
}

int TextMetrics::VisualColumn(const RowEntry& row, int column) const
{
    column = std::clamp(column, 0, row.length);
    int visual = row.startColumn;
    for (int i = 0; i < column; ++i)
        visual += ColumnsOf(row.text[i], visual);
    return visual;
}

bool WrapSplitter::IsBreak(char16_t unit) const
{
    return (*breaks_)[unit];
}

void WrapSplitter::Split(const char16_t* text, int length, std::vector<RowPiece>& pieces) const
{
    if (!breaks_ || breaksFor_ != delimiters_) {
        breaks_ = std::make_unique<std::bitset<65536>>();
        breaks_->set(u' ');
        breaks_->set(u'\t');
        for (QChar c : delimiters_)
            breaks_->set(c.unicode());
        breaksFor_ = delimiters_;
    }
    const std::bitset<65536>& breaks = *breaks_;
    const int16_t* widths = metrics_.WidthTable();
    const int tabSize = metrics_.TabSize();
    const int spaceWidth = metrics_.SpaceWidth();
    const bool byColumns = mode_ == 2;
    const auto columns = [tabSize](char16_t unit, int column) {
        if (unit != u'\t')
            return 1;
        return tabSize > 0 ? tabSize - column % tabSize : 0;
    };
    const auto advance = [&](char16_t unit, int column) {
        if (unit == u'\t')
            return byColumns ? columns(unit, column) : columns(unit, column) * spaceWidth;
        if (byColumns)
            return 1;
        const int width = widths[unit];
        return width >= 0 ? width : metrics_.MeasureUnit(unit);
    };
    const int limit = byColumns ? std::max(1, limit_) : std::max(1, limit_ - 1);
    WrapRows(text, length, limit, advance, columns, [&breaks](char16_t unit) { return breaks[unit]; }, pieces);
}

} // namespace kdx
