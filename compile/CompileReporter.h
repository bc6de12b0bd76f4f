#pragma once
#include "common/LocateMarker.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace kdx {

// Thrown to end a compilation silently; its message, if any, was emitted first.
struct CompileAbort {};

// One argument of a message format: a number for %d, %u and %X, a text for %s.
using FormatArg = std::variant<int64_t, std::u16string_view>;

// Fills "%d", "%u", "%X" (upper-case hexadecimal, no leading zeros) and
// "%s" from 'args' in order; "%%" is a percent sign.
std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args);

// Where the compiler's steps report their progress, warnings and errors.
class CompileReporter {
public:
    static constexpr size_t kFormatLimit = 1039;

    virtual ~CompileReporter() = default;
    // Delivers one message; throws CompileAbort when the compilation must stop.
    virtual void EmitMessage(std::u16string_view text) = 0;
    // Throws CompileAbort when a cancel was requested.
    virtual void CheckCancel() = 0;

    // Formats, cuts the result to 1039 characters and emits it.
    void EmitFormatted(std::u16string_view format, std::initializer_list<FormatArg> args);
    // Emits an error message and aborts.
    [[noreturn]] void Fail(std::u16string_view text);
    [[noreturn]] void FailFormatted(std::u16string_view format, std::initializer_list<FormatArg> args);

    // A warning or an error about one object or page, formatted from 'format'
    // and 'args' between the locate marker and its end, then cut like any
    // formatted message.
    void WarnAt(LocateTarget target, uint32_t id, std::u16string_view format,
                std::initializer_list<FormatArg> args = {});
    [[noreturn]] void FailAt(LocateTarget target, uint32_t id, std::u16string_view format,
                             std::initializer_list<FormatArg> args = {});

private:
    void EmitCut(std::u16string text);
};

} // namespace kdx
