#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kdx {

// One memory mapping: a named POSIX shared-memory block or a file.
// The creator of a named block owns its name and unlinks it when the
// mapping is destroyed; openers only unmap.
class CMappedMemory {
public:
    ~CMappedMemory();
    CMappedMemory(const CMappedMemory&) = delete;
    CMappedMemory& operator=(const CMappedMemory&) = delete;

    // Creates "/name" exclusively with mode 0600, sized and zero-filled.
    static std::unique_ptr<CMappedMemory> CreateShared(const std::string& name, size_t size,
                                                       std::string* error = nullptr);
    // Opens an existing "/name" for reading and writing and maps 'size' bytes.
    static std::unique_ptr<CMappedMemory> OpenShared(const std::string& name, size_t size,
                                                     std::string* error = nullptr);
    // Maps a whole file, shared, so that writes reach the file.
    static std::unique_ptr<CMappedMemory> MapFile(const std::string& path, bool writable,
                                                  std::string* error = nullptr);

    uint8_t* Data() { return static_cast<uint8_t*>(m_data); }
    const uint8_t* Data() const { return static_cast<const uint8_t*>(m_data); }
    size_t Size() const { return m_size; }
    std::span<uint8_t> Bytes() { return {Data(), m_size}; }

    // Writes a file mapping's changes back to the disk.
    bool Sync(std::string* error = nullptr);

private:
    CMappedMemory(void* data, size_t size, std::string unlinkName)
        : m_data(data), m_size(size), m_unlinkName(std::move(unlinkName)) {}

    void* m_data = nullptr;
    size_t m_size = 0;
    std::string m_unlinkName; // non-empty only for the creator of a named block
};

} // namespace kdx
