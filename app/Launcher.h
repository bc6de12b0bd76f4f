#pragma once
#include <QString>

class QWidget;

namespace kdx {

// The full path of the first executable file with this name in the folder
// of the running executable, the current directory, then each folder of
// PATH; an empty string when there is none.
QString FindProgram(const QString& name);

// Starts the program without arguments in the current directory and does
// not wait for it or watch it. Returns false when it cannot be started.
bool LaunchDetached(const QString& name);

// Starts the uploader or the simulator; when it cannot start, a message
// box names the program.
constexpr const char* kUploaderProgram = "KDX_TU";
constexpr const char* kSimulatorProgram = "KDX_TS";

bool LaunchUploader(QWidget* parent);
bool LaunchSimulator(QWidget* parent);

} // namespace kdx
