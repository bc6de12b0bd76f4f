#pragma once
#include <optional>

namespace kdx {

// The tool chain's version, as every program reports it.
const char* ToolChainVersion();

// Answers "--help" (or "-h") with 'usage' and "--version" with the program's
// name and version, on standard output, before anything else starts (a
// window, a channel). Returns the exit code to end with when one of them was
// given, nothing otherwise.
std::optional<int> AnswerInfoOptions(int argc, char** argv, const char* program, const char* usage);

} // namespace kdx
