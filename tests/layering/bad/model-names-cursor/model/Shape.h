#pragma once
#include <Qt>
#include <optional>

std::optional<Qt::CursorShape> HandleCursor(int handle);
