#pragma once
#include <vector>

class QWidget;

namespace kdx {

// What the main frame asks of the page view to enable, check and carry out
// the drawing and layout commands (tools 40401-40411, layout 40501-40517,
// delete and select all).
class IPageCommandTarget {
public:
    virtual ~IPageCommandTarget() = default;
    virtual QWidget* ViewWidget() = 0;
    virtual int SelectionCount() const = 0;
    virtual bool IsGridShown() const = 0;
    // The command id of the current tool (40401-40411).
    virtual int CurrentToolCommand() const = 0;
    virtual void OnPageCommand(int commandId) = 0;
    // The selection by position in the current page's object list, for
    // undo, redo and paste; and whether a mouse drag is still running.
    virtual std::vector<int> SelectedObjectIndices() const { return {}; }
    virtual void SelectObjectIndices(const std::vector<int>& /*indices*/) {}
    virtual bool IsDragging() const { return false; }
};

} // namespace kdx
