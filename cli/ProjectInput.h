#pragma once
#include "model/ProjectRecord.h"

#include <QByteArray>

#include <string>

namespace kdx::cli {

// Reads a project in either form into 'out'. On failure prints
// "kdx COMMAND: PATH: reason" (with ":LINE:COLUMN" for the text form) and
// returns false.
bool LoadProject(const char* command, const std::string& path, ProjectRecord& out);

// Writes a project in the form its extension names (.kdp or .kdpj). The file
// is replaced only once it is complete. On failure prints the reason.
bool SaveProject(const char* command, const std::string& path, const ProjectRecord& project);

// Prints "kdx COMMAND: text" to standard error, without trailing line breaks.
void PrintCommandError(const char* command, const QString& text);

} // namespace kdx::cli
