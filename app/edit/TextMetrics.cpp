#include "app/edit/TextMetrics.h"

#include <QFontDatabase>
#include <algorithm>

namespace kdx {

TextMetrics::TextMetrics() : metrics_(QFont())
{
    SetFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

void TextMetrics::SetFont(const QFont& font)
{
    font_ = font;
    metrics_ = QFontMetrics(font);
    ascent_ = metrics_.ascent();
    fontHeight_ = std::max(1, metrics_.ascent() + metrics_.descent());
    averageWidth_ = std::max(1, metrics_.averageCharWidth());
    wideWidth_ = std::max(2 * averageWidth_, metrics_.maxWidth());
    spaceWidth_ = std::max(1, metrics_.horizontalAdvance(QLatin1Char(' ')));
    widestDigit_ = 0;
    for (char digit = '0'; digit <= '9'; ++digit)
        widestDigit_ = std::max(widestDigit_, metrics_.horizontalAdvance(QLatin1Char(digit)));
    widths_.assign(65536, -1);
}

int TextMetrics::UnitWidth(char16_t unit) const
{
    int16_t& cached = widths_[unit];
    if (cached < 0) {
        int width = 0;
        if (unit < 0x20 || (unit >= 0xD800 && unit <= 0xDFFF))
            width = spaceWidth_;  // control units and lone surrogates take a space's room
        else
            width = metrics_.horizontalAdvance(QChar(unit));
        cached = static_cast<int16_t>(std::clamp(width, 0, 32767));
    }
    return cached;
}

int TextMetrics::ColumnsOf(char16_t unit, int column) const
{
    if (unit != u'\t')
        return 1;
    return tabSize_ > 0 ? tabSize_ - column % tabSize_ : 0;
}

int TextMetrics::AdvanceOf(char16_t unit, int column) const
{
    return unit == u'\t' ? ColumnsOf(unit, column) * spaceWidth_ : UnitWidth(unit);
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
    return unit == u' ' || unit == u'\t' || delimiters_.contains(QChar(unit));
}

void WrapSplitter::Split(const char16_t* text, int length, std::vector<RowPiece>& pieces) const
{
    const int limit = mode_ == 2 ? std::max(1, limit_) : std::max(1, limit_ - 1);
    int pos = 0;
    int visual = 0;
    while (pos < length) {
        const int rowStart = pos;
        const int rowColumn = visual;
        int used = 0;
        int i = pos;
        int column = visual;
        while (i < length) {
            const int step = mode_ == 2 ? metrics_.ColumnsOf(text[i], column)
                                        : metrics_.AdvanceOf(text[i], column);
            if (used + step > limit && i > rowStart)
                break;
            used += step;
            column += metrics_.ColumnsOf(text[i], column);
            ++i;
        }
        int end = i;
        if (i < length) {
            int j = i - 1;
            while (j >= rowStart && !IsBreak(text[j]))
                --j;
            if (j >= rowStart)
                end = j + 1;
        }
        for (int k = rowStart; k < end; ++k)
            visual += metrics_.ColumnsOf(text[k], visual);
        pieces.push_back({rowStart, end - rowStart, rowColumn});
        pos = end;
    }
}

} // namespace kdx
