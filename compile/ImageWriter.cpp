#include "compile/ImageWriter.h"

#include "common/ByteOrder.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace kdx {

ImageWriter::~ImageWriter() { std::free(m_data); }

size_t ImageWriter::Append(const void* data, size_t size)
{
    const size_t offset = m_size;
    if (size == 0)
        return offset;
    if (m_capacity - m_size < size) {
        const size_t capacity = m_capacity + size + kGrowStep;
        auto* grown = static_cast<uint8_t*>(std::realloc(m_data, capacity));
        if (!grown)
            throw std::bad_alloc();
        m_data = grown;
        m_capacity = capacity;
    }
    std::memcpy(m_data + m_size, data, size);
    m_size += size;
    return offset;
}

size_t ImageWriter::Append(std::span<const uint8_t> bytes) { return Append(bytes.data(), bytes.size()); }

size_t ImageWriter::AppendU16(uint16_t v)
{
    uint8_t b[2];
    StoreLE16(b, v);
    return Append(b, 2);
}

size_t ImageWriter::AppendU32(uint32_t v)
{
    uint8_t b[4];
    StoreLE32(b, v);
    return Append(b, 4);
}

void ImageWriter::StoreU16(size_t offset, uint16_t v) { StoreLE16(m_data + offset, v); }
void ImageWriter::StoreU32(size_t offset, uint32_t v) { StoreLE32(m_data + offset, v); }
uint16_t ImageWriter::LoadU16(size_t offset) const { return LoadLE16(m_data + offset); }
uint32_t ImageWriter::LoadU32(size_t offset) const { return LoadLE32(m_data + offset); }

} // namespace kdx
