#include "common/Archive.h"

#include "common/ByteOrder.h"
#include "common/Cp936.h"

namespace kdx {
namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTagBit = 0x8000;
constexpr uint16_t kBigTag = 0x7FFF;
constexpr uint32_t kBigClassTagBit = 0x80000000u;
constexpr size_t kMaxClassNameLength = 64;

} // namespace

void ArchiveWriter::U16(uint16_t v)
{
    uint8_t b[2];
    StoreLE16(b, v);
    m_bytes.insert(m_bytes.end(), b, b + 2);
}

void ArchiveWriter::U32(uint32_t v)
{
    uint8_t b[4];
    StoreLE32(b, v);
    m_bytes.insert(m_bytes.end(), b, b + 4);
}

void ArchiveWriter::Count(uint32_t n)
{
    if (n < 0xFFFF) {
        U16(uint16_t(n));
    } else {
        U16(0xFFFF);
        U32(n);
    }
}

void ArchiveWriter::String(std::u16string_view text)
{
    // UTF-16 form: FF, FE FF, then the unit count.
    U8(0xFF);
    U16(0xFFFE);
    uint64_t length = text.size();
    if (length < 0xFF) {
        U8(uint8_t(length));
    } else {
        U8(0xFF);
        if (length < 0xFFFE) {
            U16(uint16_t(length));
        } else {
            U16(0xFFFF);
            if (length < 0xFFFFFFFFu) {
                U32(uint32_t(length));
            } else {
                U32(0xFFFFFFFFu);
                U32(uint32_t(length));
                U32(uint32_t(length >> 32));
            }
        }
    }
    for (char16_t unit : text)
        U16(uint16_t(unit));
}

void ArchiveWriter::ObjectTag(const std::string& className)
{
    auto found = m_classIndex.find(className);
    if (found == m_classIndex.end()) {
        U16(kNewClassTag);
        U16(1); // schema
        U16(uint16_t(className.size()));
        Bytes({reinterpret_cast<const uint8_t*>(className.data()), className.size()});
        m_classIndex.emplace(className, m_nextIndex++);
    } else if (found->second < kBigTag) {
        U16(uint16_t(kClassTagBit | found->second));
    } else {
        U16(kBigTag);
        U32(kBigClassTagBit | found->second);
    }
    ++m_nextIndex; // the object itself takes an index
}

void ArchiveReader::Need(uint64_t n) const
{
    if (n > Remaining())
        throw ArchiveError(ArchiveFault::EndsEarly, "the file ends early at byte " + std::to_string(m_pos));
}

uint8_t ArchiveReader::U8()
{
    Need(1);
    return m_bytes[m_pos++];
}

uint16_t ArchiveReader::U16()
{
    Need(2);
    uint16_t v = LoadLE16(m_bytes.data() + m_pos);
    m_pos += 2;
    return v;
}

uint32_t ArchiveReader::U32()
{
    Need(4);
    uint32_t v = LoadLE32(m_bytes.data() + m_pos);
    m_pos += 4;
    return v;
}

std::span<const uint8_t> ArchiveReader::Bytes(size_t n)
{
    Need(n);
    std::span<const uint8_t> out = m_bytes.subspan(m_pos, n);
    m_pos += n;
    return out;
}

uint32_t ArchiveReader::Count()
{
    uint16_t n = U16();
    return n != 0xFFFF ? n : U32();
}

std::u16string ArchiveReader::String()
{
    // Length prefix shared by both forms; 0xFFFE after FF marks UTF-16.
    bool wide = false;
    uint64_t length = U8();
    if (length == 0xFF) {
        length = U16();
        if (length == 0xFFFE) {
            wide = true;
            length = U8();
            if (length == 0xFF)
                length = U16();
        }
        if (length == 0xFFFF) {
            length = U32();
            if (length == 0xFFFFFFFFu) {
                uint64_t low = U32();
                uint64_t high = U32();
                length = low | (high << 32);
            }
        }
    }
    if (wide) {
        if (length > Remaining() / 2)
            throw ArchiveError(ArchiveFault::StringTooLong, "a string is longer than the file at byte " + std::to_string(m_pos));
        std::span<const uint8_t> raw = Bytes(size_t(length) * 2);
        std::u16string text(size_t(length), u'\0');
        for (size_t i = 0; i < text.size(); ++i)
            text[i] = char16_t(LoadLE16(raw.data() + 2 * i));
        return text;
    }
    std::span<const uint8_t> raw = Bytes(size_t(length));
    return DecodeCp936({reinterpret_cast<const char*>(raw.data()), raw.size()});
}

std::string ArchiveReader::ObjectTag()
{
    size_t at = m_pos;
    uint16_t tag = U16();
    if (tag == 0)
        return {};
    if (tag == kNewClassTag) {
        U16(); // schema: any value is accepted
        uint16_t length = U16();
        if (length == 0 || length > kMaxClassNameLength)
            throw ArchiveError(ArchiveFault::BadClassName, "bad class name length at byte " + std::to_string(at));
        std::span<const uint8_t> raw = Bytes(length);
        std::string name(raw.begin(), raw.end());
        m_classes[m_nextIndex++] = name;
        ++m_nextIndex; // the object
        return name;
    }
    uint32_t index;
    if (tag == kBigTag) {
        uint32_t big = U32();
        if (!(big & kBigClassTagBit))
            throw ArchiveError(ArchiveFault::BackReference, "back-reference to an object at byte " + std::to_string(at));
        index = big & ~kBigClassTagBit;
    } else {
        if (!(tag & kClassTagBit))
            throw ArchiveError(ArchiveFault::BackReference, "back-reference to an object at byte " + std::to_string(at));
        index = tag & ~kClassTagBit;
    }
    auto found = m_classes.find(index);
    if (found == m_classes.end())
    {
        if (index < m_nextIndex)
            throw ArchiveError(ArchiveFault::BackReference, "back-reference to an object at byte " + std::to_string(at));
        throw ArchiveError(ArchiveFault::UnknownClass,
                           "unknown class index " + std::to_string(index) + " at byte " + std::to_string(at));
    }
    ++m_nextIndex; // the object
    return found->second;
}

} // namespace kdx
