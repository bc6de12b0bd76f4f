#include "compile/CompileReporter.h"

#include "common/Hex.h"

namespace kdx {
namespace {

void AppendNumber(std::u16string& out, int64_t value, int base)
{
    uint64_t magnitude;
    if (base == 10 && value < 0) {
        out.push_back(u'-');
        magnitude = uint64_t(-(value + 1)) + 1;
    } else {
        // %X and %u show the 32-bit pattern as the terminal and editor see it.
        magnitude = base == 16 || value < 0 ? uint64_t(uint32_t(value)) : uint64_t(value);
    }
    char16_t digits[24];
    int n = 0;
    do {
        int d = int(magnitude % uint64_t(base));
        digits[n++] = HexDigitChar(d);
        magnitude /= uint64_t(base);
    } while (magnitude);
    while (n)
        out.push_back(digits[--n]);
}

} // namespace

std::u16string FormatText(std::u16string_view format, std::initializer_list<FormatArg> args)
{
    std::u16string out;
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char16_t c = format[i];
        if (c != u'%' || i + 1 == format.size()) {
            out.push_back(c);
            continue;
        }
        char16_t conversion = format[++i];
        if (conversion == u'%') {
            out.push_back(u'%');
            continue;
        }
        if (arg == args.end()) {
            out.push_back(u'%');
            out.push_back(conversion);
            continue;
        }
        const FormatArg& value = *arg++;
        if (conversion == u's') {
            if (auto* text = std::get_if<std::u16string_view>(&value))
                out.append(*text);
        } else if (auto* number = std::get_if<int64_t>(&value)) {
            AppendNumber(out, *number, conversion == u'X' ? 16 : 10);
        }
    }
    return out;
}

void CompileReporter::EmitCut(std::u16string text)
{
    if (text.size() > kFormatLimit)
        text.resize(kFormatLimit);
    EmitMessage(text);
}

void CompileReporter::EmitFormatted(std::u16string_view format, std::initializer_list<FormatArg> args)
{
    EmitCut(FormatText(format, args));
}

void CompileReporter::Fail(std::u16string_view text)
{
    EmitMessage(text);
    throw CompileAbort{};
}

void CompileReporter::FailFormatted(std::u16string_view format, std::initializer_list<FormatArg> args)
{
    EmitFormatted(format, args);
    throw CompileAbort{};
}

void CompileReporter::WarnAt(LocateTarget target, uint32_t id, std::u16string_view format,
                             std::initializer_list<FormatArg> args)
{
    EmitCut(LocateMessage(LocateLevel::Warning, target, id, FormatText(format, args)));
}

void CompileReporter::FailAt(LocateTarget target, uint32_t id, std::u16string_view format,
                             std::initializer_list<FormatArg> args)
{
    EmitCut(LocateMessage(LocateLevel::Error, target, id, FormatText(format, args)));
    throw CompileAbort{};
}

} // namespace kdx
