#pragma once
#include <optional>
#include <string_view>

namespace kdx {

// The kinds of page object. Their names live in one table: the class name a
// project file stores, the key of the text form and the short name shown to
// users.
enum class ObjectKind { Line, Rect, RoundRect, Ellipse, Text, Image, Custom };

inline constexpr ObjectKind kAllObjectKinds[] = {ObjectKind::Line, ObjectKind::Rect,  ObjectKind::RoundRect,
                                                 ObjectKind::Ellipse, ObjectKind::Text, ObjectKind::Image,
                                                 ObjectKind::Custom};

const char* ObjectClassName(ObjectKind kind);  // "CDrawLine", ...
const char* ObjectKindKey(ObjectKind kind);    // "line", "roundRect", ...
const char* ObjectKindLabel(ObjectKind kind);  // "Line", "RoundRect", ...
std::optional<ObjectKind> ObjectKindOfClass(std::string_view className);
std::optional<ObjectKind> ObjectKindOfKey(std::string_view key);

} // namespace kdx
