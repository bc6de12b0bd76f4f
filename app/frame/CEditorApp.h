#pragma once
#include <QStringList>
#include <memory>

class QApplication;

namespace kdx {

class CAppFrame;

// Start-up of the editor: locale, style, the settings store, the main
// frame, and the command line (a project path opens that project, no
// argument leaves a new empty project).
class CEditorApp {
public:
    // Prepares the process-wide state; call before QApplication exists.
    static void InitProcess();
    // Settings names and look of the application object.
    static void InitApplication(QApplication& app);
    // The image library must decode at least one format; otherwise the
    // user is told (string 20503) and the editor does not start.
    static bool CheckImageLibrary();
    // The project path of the command line, or an empty string.
    static QString ProjectArgument(const QStringList& arguments);
    // Opens the project named on the command line, if any, in the frame.
    static void ProcessCommandLine(CAppFrame& frame, const QStringList& arguments);
    // Shows the frame, then opens the command line's project as soon as the
    // event loop runs: the window is on the screen before a large project
    // has been read, and a message about an unreadable one has a window to
    // stand over.
    static void ShowAndOpen(CAppFrame& frame, const QStringList& arguments);
};

} // namespace kdx
