#pragma once
#include "app/panes/CPaneBase.h"

namespace kdx {

// What the output pane needs of its compile pane: whether a compile is
// running, and starting one.
class ICompilePane {
public:
    virtual ~ICompilePane() = default;
    virtual bool IsCompiling() const = 0;
    virtual void StartCompile(const QString& projectPath, const QString& outputPath) = 0;
    // Shows a report (the project check's findings, as compiler messages)
    // in place of the pane's text, or after it.
    virtual void ShowReport(const QString& text, bool replace)
    {
        Q_UNUSED(text);
        Q_UNUSED(replace);
    }
    // Shows the pane's menu at a screen point; false when it has none.
    virtual bool ShowPaneMenu(const QPoint& globalPos)
    {
        Q_UNUSED(globalPos);
        return false;
    }
};

// The bottom pane with the compile tab ("编译"). Until a compile pane is
// installed the tab shows an empty window and no compile can start.
class CPaneOutput : public CPaneBase {
    Q_OBJECT
public:
    static constexpr int kCompileTab = 0;

    CPaneOutput(int id, const QSize& defaultSize, QWidget* parent = nullptr);

    // Puts the compile pane into the compile tab; 'window' is its widget.
    void SetCompilePane(ICompilePane* pane, QWidget* window);
    ICompilePane* CompilePane() const { return compilePane_; }
    // The compile pane when it is free to start a compile, else nullptr.
    ICompilePane* AcquireCompilePane() const;
    bool IsCompiling() const { return compilePane_ && compilePane_->IsCompiling(); }

protected:
    // The drop-down button shows the compile pane's menu.
    bool ShowButtonMenu(int buttonId, const QPoint& globalPos) override;

private:
    ICompilePane* compilePane_ = nullptr;
};

} // namespace kdx
