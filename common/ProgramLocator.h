#pragma once
#include <string>

namespace kdx {

// Finds a companion program by its bare name the way the tool chain starts
// one: the folder of the running executable, then the current folder, then
// each folder of PATH. Returns the full path, or "" when none is executable.
std::string LocateProgram(const std::string& name);

} // namespace kdx
