#pragma once
#include <QString>

#include <functional>

class QWidget;

namespace kdx {

class CCommandRegistry;
class CDocumentManager;
class ICompilePane;

// The project menu's compile, check, upload and simulate commands: where
// each project was last compiled to, the check run before each compile, and
// handing the output to the compile pane and to the programs it starts.
class CCompileCommands {
public:
    struct Hooks {
        // Asks where to compile to, proposing a file; empty when cancelled.
        std::function<QString(const QString& proposal)> askOutputPath;
        // The compile pane, shown, when no compile runs; else null (the hook
        // has told the user why).
        std::function<ICompilePane*()> freeCompilePane;
        // A compile or check has started: the commands' states change.
        std::function<void()> started;
    };

    CCompileCommands(CDocumentManager& documents, QWidget* window, Hooks hooks);

    // Adds the commands; `canCompile` is the compile commands' enable rule.
    void Register(CCommandRegistry& commands, std::function<bool()> canCompile);

    // Compiles the project; without asking, to its last output when it has one.
    void Compile(bool ask);
    // Shows the project check's findings in the compile pane.
    void Check();
    // A line the compile pane shows: a finished compile makes its output
    // the file the simulator opens.
    void OnCompileText(const QString& text);

    // The output this project was last compiled to, and that file while it exists.
    QString LastCompileOutput() const;
    QString LastCompiledFile() const;

private:
    void RememberCompileOutput(const QString& output);
    // The project check's report, as compiler messages.
    QString CheckReport() const;

    CDocumentManager& m_documents;
    QWidget* m_window;
    Hooks m_hooks;
    QString m_startedOutput; // the output path of the compile last started
    bool m_checkBeforeCompile = true;
};

} // namespace kdx
