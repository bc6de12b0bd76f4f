#include "model/ObjectKind.h"

namespace kdx {
namespace {

struct KindNames {
    ObjectKind kind;
    const char* className;
    const char* key;
    const char* label;
};

constexpr KindNames kKindNames[] = {
    {ObjectKind::Line, "CDrawLine", "line", "Line"},
    {ObjectKind::Rect, "CDrawRect", "rect", "Rect"},
    {ObjectKind::RoundRect, "CDrawRoundRect", "roundRect", "RoundRect"},
    {ObjectKind::Ellipse, "CDrawEllipse", "ellipse", "Ellipse"},
    {ObjectKind::Text, "CDrawText", "text", "Text"},
    {ObjectKind::Image, "CDrawImage", "image", "Image"},
    {ObjectKind::Custom, "CDrawCustom", "custom", "Custom"},
};

const KindNames& NamesOf(ObjectKind kind)
{
    for (const KindNames& k : kKindNames)
        if (k.kind == kind)
            return k;
    return kKindNames[0]; // unreachable: every kind has a row
}

} // namespace

const char* ObjectClassName(ObjectKind kind) { return NamesOf(kind).className; }
const char* ObjectKindKey(ObjectKind kind) { return NamesOf(kind).key; }
const char* ObjectKindLabel(ObjectKind kind) { return NamesOf(kind).label; }

std::optional<ObjectKind> ObjectKindOfClass(std::string_view className)
{
    for (const KindNames& k : kKindNames)
        if (className == k.className)
            return k.kind;
    return std::nullopt;
}

std::optional<ObjectKind> ObjectKindOfKey(std::string_view key)
{
    for (const KindNames& k : kKindNames)
        if (key == k.key)
            return k.kind;
    return std::nullopt;
}

} // namespace kdx
