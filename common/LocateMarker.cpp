#include "common/LocateMarker.h"

#include "common/Hex.h"

namespace kdx {
namespace {

// Only the start of a message line is looked at when locating.
constexpr size_t kHeadUnits = 15;
constexpr size_t kMinUnits = 8;
constexpr size_t kPrefixUnits = 6; // "!(IID="

std::u16string_view TagName(LocateTarget target)
{
    return target == LocateTarget::Object ? u"IID" : u"PID";
}

char16_t Upper(char16_t unit)
{
    return unit >= u'a' && unit <= u'z' ? char16_t(unit - u'a' + u'A') : unit;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Upper(text[i]) != Upper(prefix[i]))
            return false;
    return true;
}

} // namespace

std::u16string LocateTag(LocateTarget target, uint32_t id)
{
    std::u16string digits;
    do {
        digits.insert(digits.begin(), HexDigitChar(int(id % 16)));
        id /= 16;
    } while (id);
    return u"(" + std::u16string(TagName(target)) + u"=" + digits + u")";
}

std::u16string LocateMessage(LocateLevel level, LocateTarget target, uint32_t id, std::u16string_view body)
{
    std::u16string text(1, char16_t(level));
    text += LocateTag(target, id);
    text += body;
    text += u"(双击定位)\r\n";
    return text;
}

std::optional<LocateRef> ParseLocateLine(std::u16string_view line)
{
    const std::u16string_view head = line.substr(0, kHeadUnits);
    if (head.size() < kMinUnits)
        return std::nullopt;
    for (LocateLevel level : {LocateLevel::Warning, LocateLevel::Error}) {
        for (LocateTarget target : {LocateTarget::Object, LocateTarget::Page}) {
            const std::u16string prefix = std::u16string(1, char16_t(level)) + u"(" +
                                          std::u16string(TagName(target)) + u"=";
            if (!StartsWithNoCase(head, prefix))
                continue;
            uint64_t value = 0;
            size_t i = kPrefixUnits;
            for (; i < head.size() && HexDigitValue(head[i]) >= 0; ++i)
                value = value * 16 + uint64_t(HexDigitValue(head[i]));
            if (i == kPrefixUnits)
                return std::nullopt; // without a number the line names nothing
            return LocateRef{target, value > UINT32_MAX ? UINT32_MAX : uint32_t(value)};
        }
    }
    return std::nullopt;
}

} // namespace kdx
