#include "app/panes/CPaneOutput.h"

#include "app/frame/EditorStrings.h"

#include <QStackedWidget>

namespace kdx {

CPaneOutput::CPaneOutput(int id, const QSize& defaultSize, QWidget* parent)
    : CPaneBase(id, defaultSize, parent)
{
    AddTab(new QWidget(this), EditorString(IDS_COMPILE_TAB));
    SelectTab(kCompileTab);
}

void CPaneOutput::SetCompilePane(ICompilePane* pane, QWidget* window)
{
    compilePane_ = pane;
    auto* stack = static_cast<QStackedWidget*>(widget());
    QWidget* old = stack->widget(kCompileTab);
    stack->insertWidget(kCompileTab, window);
    stack->removeWidget(old);
    old->deleteLater();
    stack->setCurrentIndex(CurrentTab());
}

ICompilePane* CPaneOutput::AcquireCompilePane() const
{
    if (!compilePane_ || compilePane_->IsCompiling())
        return nullptr;
    return compilePane_;
}

bool CPaneOutput::ShowButtonMenu(int buttonId, const QPoint& globalPos)
{
    return buttonId == kMenuButtonId && compilePane_ && compilePane_->ShowPaneMenu(globalPos);
}

} // namespace kdx
