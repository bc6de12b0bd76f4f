#pragma once
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <map>

class QAction;
class QWidget;

namespace kdx {

// The editor's commands by command id (Commands.h, and the page list's
// own): what each does, when it is enabled and when checked, and the one
// action that the menus, the toolbars and the shortcuts share.
class CCommandRegistry : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool()>;

    // The actions belong to the window, so that their shortcuts work
    // wherever its focus is.
    explicit CCommandRegistry(QWidget* window);

    // A command without an enable rule stays disabled; one with a check
    // rule shows as a check item.
    void Add(int id, std::function<void()> run, Rule enabled = {}, Rule checked = {});
    bool Contains(int id) const { return m_commands.count(id) != 0; }
    // The action of a registered command, with its text, shortcut
    // (portable key text, or null), icon and tips; it reports as Triggered.
    QAction* MakeAction(int id, const QString& text, const char* shortcut);
    // The action of the id, or null while none is made.
    QAction* Action(int id) const { return m_actions.value(id); }

    bool IsEnabled(int id) const;
    // Carries out a registered command, whatever its enable rule says.
    void Run(int id) const;
    // Evaluates every action's enable and check rule.
    void UpdateActions() const;
    // The menu text of the command followed by the name of the step it
    // acts on (undo and redo); an empty name shows the plain text.
    void ShowStepName(int id, const QString& step);

signals:
    void Triggered(int id);

private:
    struct Command {
        std::function<void()> run;
        Rule enabled;
        Rule checked;
    };

    QWidget* m_window;
    std::map<int, Command> m_commands;
    QHash<int, QAction*> m_actions;
};

} // namespace kdx
