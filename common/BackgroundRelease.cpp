#include "common/BackgroundRelease.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <unistd.h>
#include <vector>

namespace kdx {
namespace {

struct Release {
    std::vector<int> kept; // ascending: the files and the end of the pipe below
    int parentAlive = -1;  // reads its end when the parent has ended
};

// The child shares the parent's memory (nothing is copied to start it) and
// so keeps it too until it ends: the system frees the parent's memory and
// the files after the parent has ended. It makes only system calls, as the
// parent's other threads may hold locks.
int HoldUntilParentEnds(void* data)
{
    const Release& release = *static_cast<const Release*>(data);
    // Nothing but the files: no pipe or terminal its parent's readers wait on.
    unsigned from = 0;
    for (int fd : release.kept) {
        if (unsigned(fd) > from)
            close_range(from, unsigned(fd) - 1, 0);
        from = unsigned(fd) + 1;
    }
    close_range(from, UINT_MAX, 0);
    char byte;
    while (read(release.parentAlive, &byte, 1) < 0 && errno == EINTR) {
    }
    _exit(0);
}

} // namespace

void ExitReleasingInBackground(int status, std::span<const int> files)
{
    std::fflush(nullptr);
    int parentAlive[2];
    if (files.empty() || pipe2(parentAlive, O_CLOEXEC) != 0)
        std::_Exit(status);
    // Never freed: this process ends below, and the child lives on in its memory.
    auto* release = new Release;
    release->kept.assign(files.begin(), files.end());
    release->kept.push_back(parentAlive[0]);
    std::sort(release->kept.begin(), release->kept.end());
    release->parentAlive = parentAlive[0];
    constexpr size_t kStackSize = 64 * 1024;
    char* stack = new char[kStackSize];
    clone(HoldUntilParentEnds, stack + kStackSize, CLONE_VM | SIGCHLD, release);
    std::_Exit(status); // when no child could be started, the files close here
}

} // namespace kdx
