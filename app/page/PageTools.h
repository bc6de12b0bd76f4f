#pragma once
#include "model/ObjectKind.h"

#include <optional>

namespace kdx {

// The page view's tools: selecting, and drawing one kind of object outlined
// or filled. Each is chosen by one command.
enum class PageTool {
    Select,
    Line,
    Rect,
    FilledRect,
    RoundRect,
    FilledRoundRect,
    Ellipse,
    FilledEllipse,
    Image,
    Text,
    Custom,
};

struct PageToolInfo {
    PageTool tool;
    int commandId;
    std::optional<ObjectKind> kind; // what the tool draws; none for selecting
    bool filled;                    // whether a new object takes the fill colour
};

const PageToolInfo& ToolInfo(PageTool tool);
std::optional<PageTool> ToolForCommand(int commandId);
int CommandForTool(PageTool tool);

} // namespace kdx
