#include "app/frame/CommandRegistry.h"

#include "app/frame/CommandIcons.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"

#include <QAction>
#include <QWidget>

namespace kdx {

CCommandRegistry::CCommandRegistry(QWidget* window) : QObject(window), m_window(window)
{
    setObjectName(QStringLiteral("CommandRegistry"));
}

void CCommandRegistry::Add(int id, std::function<void()> run, Rule enabled, Rule checked)
{
    m_commands[id] = Command{std::move(run), std::move(enabled), std::move(checked)};
}

QAction* CCommandRegistry::MakeAction(int id, const QString& text, const char* shortcut)
{
    auto* action = new QAction(text, m_window);
    action->setObjectName(QString::number(id));
    action->setData(id);
    action->setStatusTip(CommandPrompt(id));
    action->setToolTip(CommandToolTip(id).isEmpty() ? text : CommandToolTip(id));
    action->setIcon(CommandIcon(id));
    const Command& command = m_commands[id];
    // Menus show the images of plain commands; check marks stand for the rest.
    action->setIconVisibleInMenu(!command.checked);
    if (shortcut)
        action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    action->setCheckable(bool(command.checked));
    connect(action, &QAction::triggered, this, [this, id] { emit Triggered(id); });
    m_actions.insert(id, action);
    m_window->addAction(action);
    return action;
}

bool CCommandRegistry::IsEnabled(int id) const
{
    const auto found = m_commands.find(id);
    return found != m_commands.end() && found->second.enabled && found->second.enabled();
}

void CCommandRegistry::Run(int id) const
{
    const auto found = m_commands.find(id);
    if (found != m_commands.end() && found->second.run)
        found->second.run();
}

void CCommandRegistry::UpdateActions() const
{
    for (auto it = m_actions.constBegin(); it != m_actions.constEnd(); ++it) {
        const auto found = m_commands.find(it.key());
        if (found == m_commands.end())
            continue;
        const Command& command = found->second;
        it.value()->setEnabled(command.enabled && command.enabled());
        if (command.checked)
            it.value()->setChecked(command.checked());
    }
}

void CCommandRegistry::ShowStepName(int id, const QString& step)
{
    const MenuItem* item = FindMenuItem(id);
    const QString text = item ? MenuItemText(*item) : QString();
    QAction* action = Action(id);
    if (!action || text.isEmpty())
        return;
    const QString shown = step.isEmpty() ? text : text + u' ' + step;
    action->setText(shown);
    action->setToolTip(step.isEmpty() && !CommandToolTip(id).isEmpty() ? CommandToolTip(id) : shown);
}

} // namespace kdx
