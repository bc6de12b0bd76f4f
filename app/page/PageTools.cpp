#include "app/page/PageTools.h"

#include "app/frame/Commands.h"

namespace kdx {
namespace {

constexpr PageToolInfo kTools[] = {
    {PageTool::Select, ID_TOOL_SELECT, std::nullopt, false},
    {PageTool::Image, ID_TOOL_IMAGE, ObjectKind::Image, false},
    {PageTool::Text, ID_TOOL_TEXT, ObjectKind::Text, false},
    {PageTool::Custom, ID_TOOL_CUSTOM, ObjectKind::Custom, false},
    {PageTool::Line, ID_TOOL_LINE, ObjectKind::Line, false},
    {PageTool::Rect, ID_TOOL_RECT, ObjectKind::Rect, false},
    {PageTool::FilledRect, ID_TOOL_RECT_FILLED, ObjectKind::Rect, true},
    {PageTool::RoundRect, ID_TOOL_ROUND_RECT, ObjectKind::RoundRect, false},
    {PageTool::FilledRoundRect, ID_TOOL_ROUND_RECT_FILLED, ObjectKind::RoundRect, true},
    {PageTool::Ellipse, ID_TOOL_ELLIPSE, ObjectKind::Ellipse, false},
    {PageTool::FilledEllipse, ID_TOOL_ELLIPSE_FILLED, ObjectKind::Ellipse, true},
};

} // namespace

const PageToolInfo& ToolInfo(PageTool tool)
{
    for (const PageToolInfo& info : kTools)
        if (info.tool == tool)
            return info;
    return kTools[0]; // unreachable: every tool has a row
}

std::optional<PageTool> ToolForCommand(int commandId)
{
    for (const PageToolInfo& info : kTools)
        if (info.commandId == commandId)
            return info.tool;
    return std::nullopt;
}

int CommandForTool(PageTool tool) { return ToolInfo(tool).commandId; }

} // namespace kdx
