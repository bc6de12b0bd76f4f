#include "terminal/TextLayout.h"

#include "terminal/FontTable.h"

namespace kdx {

std::optional<std::u16string> ExpandTabs(const std::u16string& text, uint32_t tabSize)
{
    const size_t end = std::min(text.find(u'\0'), text.size());
    if (text.find(u'\t') >= end)
        return text;
    // A tab size of 0 cannot come from the editor; treat it as 1.
    const uint64_t size = tabSize == 0 ? 1 : tabSize;
    std::u16string out;
    out.reserve(end + 16);
    uint64_t column = 0;
    for (size_t i = 0; i < end; ++i) {
        const char16_t c = text[i];
        if (c == u'\r' && i + 1 < end && text[i + 1] == u'\n') {
            out += u"\r\n";
            ++i;
            column = 0;
        } else if (c == u'\n') {
            out += c; // a wrap point inside a line: the column goes on
        } else if (c == u'\t') {
            const uint64_t spaces = size - column % size;
            if (out.size() + spaces > kMaxExpandedText)
                return std::nullopt;
            out.append(size_t(spaces), u' ');
            column += spaces;
        } else {
            out += c;
            ++column;
        }
    }
    return out;
}

std::u16string JoinLineEnds(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        out += text[i];
    }
    return out;
}

std::u16string FitLines(const std::u16string& text, int64_t pitch, int64_t available)
{
    // Lines are looked for only before the first zero; units after it
    // (the stored terminator) travel with the last line.
    const size_t contentEnd = std::min(text.find(u'\0'), text.size());
    size_t lineStart = 0;
    for (int64_t line = 1;; ++line) {
        if (line * pitch > available)
            return text.substr(0, lineStart);
        const size_t lineEnd = text.find(u'\n', lineStart);
        if (lineEnd >= contentEnd || lineEnd + 1 >= contentEnd)
            return text;
        lineStart = lineEnd + 1;
    }
}

PreparedText PrepareText(std::u16string text, uint32_t tabSize, uint32_t fontId, uint32_t lineSpacing,
                         int64_t objectHeight)
{
    std::optional<std::u16string> expanded = ExpandTabs(text, tabSize);
    if (!expanded)
        return {{}, TextLayoutError::TooLong};
    text = JoinLineEnds(*expanded);
    const TerminalFont* font = FindTerminalFont(fontId);
    if (!font)
        return {{}, TextLayoutError::UnknownFont};
    const int64_t pitch = int64_t(font->cellHeight) + int64_t(lineSpacing);
    std::u16string fitted = FitLines(text, pitch, objectHeight);
    const bool cut = fitted.size() < text.size();
    return {std::move(fitted), TextLayoutError::None, cut};
}

} // namespace kdx
