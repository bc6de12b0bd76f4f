#pragma once
#include <QString>
#include <QStringList>

class QWidget;

namespace kdx {

// The full path of the first executable file with this name in the folder
// of the running executable, the current directory, then each folder of
// PATH; an empty string when there is none.
QString FindProgram(const QString& name);

// Starts the program with the arguments in the current directory as an
// independent program: in a session of its own, with no standard streams
// of the editor, so that it neither ends with the editor nor writes into
// the editor's terminal. The editor does not wait for it or watch it.
// Returns false when it cannot be started.
bool LaunchDetached(const QString& name, const QStringList& args = {});

// Starts the uploader or the simulator, on the compiled file when one is
// given, and says so in the status bar; when it cannot start, a message box
// names the program.
constexpr const char* kUploaderProgram = "KDX_TU";
constexpr const char* kSimulatorProgram = "KDX_TS";

bool LaunchUploader(QWidget* parent, const QString& compiledFile = {});
bool LaunchSimulator(QWidget* parent, const QString& compiledFile = {});

} // namespace kdx
