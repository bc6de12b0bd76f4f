#pragma once
#include "terminal/CellWidth.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// The units after which a wrapped row may end besides blanks and TABs.
inline constexpr std::u16string_view kWrapDelimiters = u",.?!;:/\"'\\()[]{}<>，。、？！；：／";

// One row of a wrapped line: units [offset, offset + length), starting at
// visual column `column` (a TAB counts the columns to its next stop).
struct WrapRow {
    int offset = 0;
    int length = 0;
    int column = 0;
};

// Word wrap of one logical line into rows whose advances add up to at most
// `limit`. A row that does not fit ends after its last blank or delimiter
// when it has one, else where the limit is; every row holds at least one
// unit. `advance(unit, column)` is a unit's advance at a visual column,
// `columns(unit, column)` the visual columns it takes and `isBreak(unit)`
// whether a row may end after it; each row is appended to `rows` as
// {offset, length, column}. The editor and the terminal's text objects
// both wrap by it.
template <class Advance, class Columns, class IsBreak, class Rows>
void WrapRows(const char16_t* text, int length, int limit, Advance advance, Columns columns, IsBreak isBreak,
              Rows& rows)
{
    int pos = 0;
    int visual = 0;
    while (pos < length) {
        const int rowStart = pos;
        const int rowColumn = visual;
        int used = 0;
        int i = pos;
        int column = visual;
        while (i < length) {
            const int step = advance(text[i], column);
            if (used + step > limit && i > rowStart)
                break;
            used += step;
            column += columns(text[i], column);
            ++i;
        }
        int end = i;
        if (i < length) {
            int j = i - 1;
            while (j >= rowStart && !isBreak(text[j]))
                --j;
            if (j >= rowStart && j + 1 != i) {
                end = j + 1;
                column = rowColumn;
                for (int k = rowStart; k < end; ++k)
                    column += columns(text[k], column);
            }
        }
        rows.push_back({rowStart, end - rowStart, rowColumn});
        visual = column;
        pos = end;
    }
}

// How the terminal measures a text object's characters: cells
// `cellWidth` pixels wide (CellAdvance), `charSpacing` pixels after every
// character, TABs as spaces up to the next multiple of `tabSize` columns.
struct TerminalTextMeasure {
    int cellWidth = 0;
    int charSpacing = 0;
    int tabSize = 8;

    int Columns(char16_t unit, int column) const
    {
        if (unit != u'\t')
            return 1;
        return tabSize > 0 ? tabSize - column % tabSize : 0;
    }
    int SpaceWidth() const { return std::max(1, CellAdvance(cellWidth, u' ') + charSpacing); }
    // A surrogate pair is one character: the high half carries it.
    int UnitWidth(char16_t unit) const
    {
        int width = CellAdvance(cellWidth, unit) + charSpacing;
        if (unit >= 0xD800 && unit <= 0xDFFF)
            width = unit <= 0xDBFF ? cellWidth + charSpacing : 0;
        return std::clamp(width, 0, 32767);
    }
    int Advance(char16_t unit, int column) const
    {
        return unit == u'\t' ? Columns(unit, column) * SpaceWidth() : UnitWidth(unit);
    }
};

// The text's rows at `width` pixels as the terminal measures them: each
// line (lines end with CR LF) wraps at the blanks and kWrapDelimiters, and
// a lone LF marks every point where a line wraps. Wrap points the text
// already holds are placed anew.
inline std::u16string WrapTerminalText(std::u16string_view text, const TerminalTextMeasure& measure, int width)
{
    std::u16string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != u'\n' || (i > 0 && text[i - 1] == u'\r'))
            plain += text[i];
    if (plain.empty())
        return std::u16string(text); // nothing but wrap points: nothing to wrap
    const auto advance = [&](char16_t unit, int column) { return measure.Advance(unit, column); };
    const auto columns = [&](char16_t unit, int column) { return measure.Columns(unit, column); };
    const auto isBreak = [](char16_t unit) {
        return unit == u' ' || unit == u'\t' || kWrapDelimiters.find(unit) != std::u16string_view::npos;
    };
    const int limit = std::max(1, width - 1);
    std::u16string result;
    std::vector<WrapRow> rows;
    size_t lineStart = 0;
    while (true) {
        const size_t lineEnd = plain.find(u"\r\n", lineStart);
        const bool last = lineEnd == std::u16string::npos;
        const size_t length = (last ? plain.size() : lineEnd) - lineStart;
        rows.clear();
        WrapRows(plain.data() + lineStart, int(length), limit, advance, columns, isBreak, rows);
        if (rows.empty())
            rows.push_back({});
        for (size_t i = 0; i < rows.size(); ++i) {
            result.append(plain, lineStart + size_t(rows[i].offset), size_t(rows[i].length));
            result += i + 1 == rows.size() && !last ? u"\r\n" : u"\n";
        }
        if (last)
            break;
        lineStart = lineEnd + 2;
    }
    return result;
}

// Drops wrap points (lone LFs) from the end until the text holds at most
// `limit` units, so that a long text is never refused as a whole; its last
// rows then wrap only where the terminal's line is full.
inline std::u16string FitWrappedText(std::u16string text, size_t limit)
{
    for (size_t i = text.size(); text.size() > limit && i-- > 0;)
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            text.erase(i, 1);
    return text;
}

} // namespace kdx
