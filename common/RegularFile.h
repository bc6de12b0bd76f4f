#pragma once
#include <QString>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kdx {

// No project or compiled file is this long or longer: the uploader refuses
// such files too, and the memory image is addressed with 32-bit offsets.
inline constexpr uint64_t kMaxToolFileBytes = 0xFFFFFFFEull;

enum class FileReadError {
    None,
    CannotOpen,  // missing, no permission, ... (see the detail)
    NotRegular,  // a directory, a FIFO, a device such as /dev/zero
    TooLarge,    // longer than the caller allows
    WrongKind,   // its first bytes were refused by the caller's check
    ReadFailed,  // an error or a short read
};

struct FileReadResult {
    FileReadError error = FileReadError::None;
    std::string detail;         // the system's description, when there is one
    std::vector<uint8_t> bytes; // the whole file when error is None
};

// Judges the first bytes of a file (at most kFileHeadBytes) before the rest
// is read, so that a large file of the wrong kind is refused at once.
inline constexpr size_t kFileHeadBytes = 4096;
using FileHeadCheck = bool (*)(std::span<const uint8_t> head);

// Reads a regular file whole, at most 'maxBytes' of it. Anything else is
// refused without blocking (a FIFO is opened non-blocking and never read)
// and without reading more than the file's size when it was opened.
FileReadResult ReadRegularFile(const std::string& path, uint64_t maxBytes = kMaxToolFileBytes,
                               FileHeadCheck headCheck = nullptr);

// A short English description of a failed read, for command-line tools.
std::string DescribeFileReadError(const FileReadResult& result);

// Why a read failed, in the words the windowed programs show after the
// file's name: the system's description where there is one.
QString FileReadReason(const FileReadResult& result);

} // namespace kdx
