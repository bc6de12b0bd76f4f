#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// Prepares a text object's text for the terminal, which draws it with its
// own fonts: tabs expanded to spaces, CR LF turned into LF, and the lines
// cut to those that fit the object's height. No horizontal wrapping.
// 'text' is the text as read, its stored terminating zero included.
enum class TextLayoutError { None, UnknownFont, TooLong };
struct PreparedText {
    std::u16string text;
    TextLayoutError error = TextLayoutError::None;
    bool cut = false; // lines were dropped because they did not fit
};
PreparedText PrepareText(std::u16string text, uint32_t tabSize, uint32_t fontId, uint32_t lineSpacing,
                         int64_t objectHeight);

// Tabs may not make a text longer than this (a huge tab size would).
inline constexpr size_t kMaxExpandedText = 0xFFFF;

// Expands tabs up to the first zero; the result stops before that zero.
// A text without a tab is returned unchanged. nullopt when the result
// would be longer than kMaxExpandedText.
std::optional<std::u16string> ExpandTabs(const std::u16string& text, uint32_t tabSize);

// Replaces every CR LF by LF.
std::u16string JoinLineEnds(const std::u16string& text);

// Keeps the lines whose bottom (line k at k x pitch) lies within 'available'.
std::u16string FitLines(const std::u16string& text, int64_t pitch, int64_t available);

} // namespace kdx
