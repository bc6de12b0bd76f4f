#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace kdx {

// The growable buffer the memory image is built in. Appending more than is
// free grows the capacity by the appended size plus 1 MiB, so that the many
// small appends rarely reallocate. realloc lets large buffers grow in place
// (by remapping) instead of being copied with both copies alive at once.
class ImageWriter {
public:
    static constexpr size_t kGrowStep = 1 << 20;

    ImageWriter() = default;
    ~ImageWriter();
    ImageWriter(const ImageWriter&) = delete;
    ImageWriter& operator=(const ImageWriter&) = delete;

    // Appends the bytes and returns the offset they were written at.
    size_t Append(std::span<const uint8_t> bytes);
    size_t Append(const void* data, size_t size);
    size_t AppendU8(uint8_t v) { return Append(&v, 1); }
    size_t AppendU16(uint16_t v);
    size_t AppendU32(uint32_t v);

    uint8_t* Data() { return m_data; }
    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }
    size_t Capacity() const { return m_capacity; }
    std::span<const uint8_t> Bytes() const { return {m_data, m_size}; }

    void StoreU16(size_t offset, uint16_t v);
    void StoreU32(size_t offset, uint32_t v);
    uint16_t LoadU16(size_t offset) const;
    uint32_t LoadU32(size_t offset) const;

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace kdx
