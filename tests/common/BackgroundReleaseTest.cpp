// A process that ends leaving files to a background child: its status is
// its own, the files are closed after it has ended, and the child holds
// nothing else (a reader of the process's output sees its end).
#include "common/BackgroundRelease.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kdx;

namespace {

// Reads what a pipe still holds until its end (waiting at most ten seconds
// each time, a guard against a hang); false when something keeps the other
// end open.
bool SeesEnd(int fd)
{
    for (;;) {
        pollfd wanted{fd, POLLIN, 0};
        char bytes[256];
        if (poll(&wanted, 1, 10000) != 1)
            return false;
        const ssize_t n = read(fd, bytes, sizeof bytes);
        if (n <= 0)
            return n == 0;
    }
}

TEST(BackgroundRelease, EndsWithItsStatusAndLetsTheFilesGoAfterIt)
{
    int held[2], output[2];
    ASSERT_EQ(pipe(held), 0);
    ASSERT_EQ(pipe(output), 0);
    const pid_t process = fork();
    ASSERT_GE(process, 0);
    if (process == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        close(held[0]);
        const int files[] = {held[1]};
        ExitReleasingInBackground(7, files);
    }
    close(held[1]);
    close(output[1]);
    int status = 0;
    ASSERT_EQ(waitpid(process, &status, 0), process);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_TRUE(SeesEnd(output[0])); // the child does not keep the output open
    EXPECT_TRUE(SeesEnd(held[0]));   // and lets the file go once the process has ended
    close(output[0]);
    close(held[0]);
}

TEST(BackgroundRelease, WithoutFilesEndsAsUsual)
{
    const pid_t process = fork();
    ASSERT_GE(process, 0);
    if (process == 0)
        ExitReleasingInBackground(3, {});
    int status = 0;
    ASSERT_EQ(waitpid(process, &status, 0), process);
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

} // namespace
