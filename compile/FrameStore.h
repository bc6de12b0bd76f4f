#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace kdx {

// Converted picture frames wait in an unnamed temporary file until the
// compiled file is written, so a compile's memory stays small however many
// pictures the project holds: the frames live in the page cache, which the
// system may write out, not in the compiler's own memory. Slots are reserved
// on one thread; frames may then be written into them from several.
class FrameStore {
public:
    FrameStore() = default;
    ~FrameStore();
    FrameStore(const FrameStore&) = delete;
    FrameStore& operator=(const FrameStore&) = delete;

    // Reserves n bytes and returns their offset in the store.
    uint64_t Reserve(uint64_t n);
    // These return false and set 'error' (an errno value) on failure.
    bool Open(int* error);
    bool Write(uint64_t offset, const void* data, size_t n, int* error) const;
    bool Read(uint64_t offset, void* data, size_t n, int* error) const;
    // Copies stored bytes into another file at 'to', in the kernel when it can.
    bool CopyTo(int fd, uint64_t from, uint64_t n, uint64_t to, int* error) const;

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

} // namespace kdx
