#pragma once
#include "model/ObjectKind.h"

#include <memory>
#include <utility>

namespace kdx {

// Makes the object of one kind out of a family of classes, one class per
// kind listed in the order of ObjectKind, passing 'args' to its constructor.
template <class Base, class Line, class Rect, class RoundRect, class Ellipse, class Text, class Image,
          class Custom, class... Args>
std::unique_ptr<Base> MakeOfKind(ObjectKind kind, Args&&... args)
{
    switch (kind) {
    case ObjectKind::Line: return std::make_unique<Line>(std::forward<Args>(args)...);
    case ObjectKind::Rect: return std::make_unique<Rect>(std::forward<Args>(args)...);
    case ObjectKind::RoundRect: return std::make_unique<RoundRect>(std::forward<Args>(args)...);
    case ObjectKind::Ellipse: return std::make_unique<Ellipse>(std::forward<Args>(args)...);
    case ObjectKind::Text: return std::make_unique<Text>(std::forward<Args>(args)...);
    case ObjectKind::Image: return std::make_unique<Image>(std::forward<Args>(args)...);
    case ObjectKind::Custom: return std::make_unique<Custom>(std::forward<Args>(args)...);
    }
    return nullptr;
}

} // namespace kdx
