#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kdx {

// Why an output path may not be written.
enum class OutputRefusal {
    None,
    NotRegular,  // a device, a FIFO, a directory or a socket (after following links)
    SameAsInput, // the same file as one the command reads
    Exists,      // an existing file the caller may not overwrite
    CannotResolve, // a link loop, a missing folder, no permission (see the detail)
};

// Where an output goes: the path itself, or for a symbolic link the file it
// leads to, so that the link stays a link and its target is replaced.
struct OutputTarget {
    OutputRefusal refusal = OutputRefusal::None;
    std::string detail; // the system's description for CannotResolve
    std::string path;   // the file to create or replace when refusal is None
    bool exists = false;
};

// Decides whether 'path' may be written by a command that reads 'inputs'.
// Only a regular file or a name that does not exist yet may be replaced;
// an output that is one of the inputs (same device and inode, or the same
// resolved path) is refused. With 'mayReplace' false an existing file is
// refused too.
OutputTarget ResolveOutput(const std::string& path, std::span<const std::string> inputs = {},
                           bool mayReplace = true);

// A short Chinese description of a refusal, to follow the path in a message.
std::u16string DescribeOutputRefusal(const OutputTarget& target);

// Whether a written file must be on the disk before it replaces its target.
// Files made from others (a compiled image) can be made again, and carry a
// seal that tells a damaged one; waiting for tens of megabytes to reach the
// disk on every compile would cost more than the compile itself.
enum class Durability {
    OnDisk,
    Remakeable,
};

// A file written beside its target and renamed over it only when complete
// (and, unless it can be made again, on the disk), so that a failed write
// never leaves a partial file and never touches anything but the target.
class ReplacingWriter {
public:
    explicit ReplacingWriter(OutputTarget target, Durability durability = Durability::OnDisk);
    ~ReplacingWriter(); // removes the temporary file unless committed
    ReplacingWriter(const ReplacingWriter&) = delete;
    ReplacingWriter& operator=(const ReplacingWriter&) = delete;

    // Creates the temporary file; false with errno-style 'error' on failure.
    bool Open(int* error);
    int Descriptor() const { return m_fd; }
    bool Write(std::span<const uint8_t> bytes, int* error);
    // Flushes, closes and renames over the target; checks first that the
    // target is still what ResolveOutput saw (nothing put there meanwhile).
    bool Commit(int* error);
    // Keeps the file that Commit replaces open, so that its space is not
    // freed by the rename but when the returned descriptor is closed (see
    // BackgroundRelease.h); -1 when nothing was replaced. Call before Commit.
    void KeepReplacedOpen() { m_keepReplaced = true; }
    int TakeReplaced();

private:
    void KeepReplaced(const std::string& path);

    OutputTarget m_target;
    Durability m_durability;
    std::string m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
    bool m_keepReplaced = false;
    int m_replaced = -1;
};

// Writes 'bytes' to an output resolved with ResolveOutput. On failure
// 'reason' holds a Chinese description.
bool WriteOutputFile(const OutputTarget& target, std::span<const uint8_t> bytes, std::u16string* reason,
                     Durability durability = Durability::OnDisk);

// The Chinese description of a write failure's errno.
std::u16string DescribeWriteError(int error);

} // namespace kdx
