#pragma once
#include <span>

namespace kdx {

// Ends the process at once with 'status', leaving the closing of 'files' to
// a short-lived child process that outlives it. Closing the last reference
// to a replaced file of tens of megabytes makes the system free its pages
// and blocks, which takes longer than a recompile's own writing; whoever
// waits for this process sees its end without waiting for that. Without
// files, or when no child can be started, the files are closed as the
// process ends, as usual.
[[noreturn]] void ExitReleasingInBackground(int status, std::span<const int> files);

} // namespace kdx
