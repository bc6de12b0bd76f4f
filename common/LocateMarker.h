#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

// Compiler messages about one object or page carry its id in a marker
// ("!(IID=1A)...(双击定位)\r\n"), so that the editor can show what a line is
// about on a double click. Both sides use the formatter and parser below.

enum class LocateTarget { Object, Page };
enum class LocateLevel : char16_t { Warning = u'!', Error = u'*' };

// "(IID=1A)" or "(PID=1A)": the id in upper-case hexadecimal without leading zeros.
std::u16string LocateTag(LocateTarget target, uint32_t id);

// The whole message line: level, tag, 'body', "(双击定位)" and a line break.
std::u16string LocateMessage(LocateLevel level, LocateTarget target, uint32_t id, std::u16string_view body);

struct LocateRef {
    LocateTarget target;
    uint32_t id;
};

// What a message line names, when it starts with a marker holding at least
// one digit; ids beyond 32 bits read as 0xFFFFFFFF.
std::optional<LocateRef> ParseLocateLine(std::u16string_view line);

} // namespace kdx
