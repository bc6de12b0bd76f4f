#pragma once
#include "common/OutputFile.h"
#include "model/ProjectRecord.h"

#include <QByteArray>

#include <span>
#include <string>
#include <vector>

namespace kdx::cli {

// Whether a file's first bytes are a file header or the start of a project's
// text form.
bool StartsLikeToolFile(std::span<const uint8_t> head);

// Reads an input file whole, after checking that it is a regular file of at
// most the tools' largest size that StartsLikeToolFile.
// On failure prints "kdx COMMAND: PATH: reason" and returns false.
bool ReadInputFile(const char* command, const std::string& path, std::vector<uint8_t>& bytes);

// Reads a project in either form into 'out'. On failure prints
// "kdx COMMAND: PATH: reason" (with ":LINE:COLUMN" for the text form) and
// returns false.
bool LoadProject(const char* command, const std::string& path, ProjectRecord& out);

// Checks that 'path' may be written by a command reading 'inputs' (see
// ResolveOutput); on refusal prints the reason and returns false.
bool CheckOutputPath(const char* command, const std::string& path, std::span<const std::string> inputs,
                     OutputTarget& target, bool mayReplace = true);

// Writes an output file whole once CheckOutputPath allows it; the file is
// replaced only once it is complete. On failure prints the reason.
bool WriteOutput(const char* command, const std::string& path, std::span<const std::string> inputs,
                 std::span<const uint8_t> bytes, Durability durability = Durability::OnDisk);

// Writes a project in the form its extension names (.kdp or .kdpj), as
// WriteOutput does.
bool SaveProject(const char* command, const std::string& path, std::span<const std::string> inputs,
                 const ProjectRecord& project);

// Prints "kdx COMMAND: text" to standard error, without trailing line breaks.
void PrintCommandError(const char* command, const QString& text);

} // namespace kdx::cli
