#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kdx {

// What kind of damage stopped an archive from being read.
enum class ArchiveFault {
    EndsEarly,       // the bytes end inside a value
    StringTooLong,   // a string's length exceeds the bytes that remain
    BadClassName,    // a class name of length 0 or too long
    BackReference,   // a tag refers to an object already read
    UnknownClass,    // a class index or class name that is not known
    SendDataTooLong, // a send-data block longer than 65535 bytes
    OddTextLength,   // a text block with an odd number of bytes
    BadCount,        // more pages or objects than the bytes can hold
    Misplaced,       // an object read where no page can hold it
};

// Raised when archive bytes cannot be read. what() is an English detail with
// the byte position, for the curious; callers decide by Fault().
class ArchiveError : public std::runtime_error {
public:
    ArchiveError(ArchiveFault fault, const std::string& detail)
        : std::runtime_error(detail), m_fault(fault)
    {
    }
    ArchiveFault Fault() const { return m_fault; }

private:
    ArchiveFault m_fault;
};

// Writes the little-endian object-archive encodings of the project file:
// counts, UTF-16 strings and class-tagged objects.
class ArchiveWriter {
public:
    void U8(uint8_t v) { m_bytes.push_back(v); }
    void U16(uint16_t v);
    void U32(uint32_t v);
    void I32(int32_t v) { U32(uint32_t(v)); }
    void Bytes(std::span<const uint8_t> bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }
    void Count(uint32_t n);
    void String(std::u16string_view text);
    // Writes the tag that precedes an object of the named class: the class
    // name the first time, a class index afterwards.
    void ObjectTag(const std::string& className);

    const std::vector<uint8_t>& Data() const { return m_bytes; }
    std::vector<uint8_t>& Data() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    std::map<std::string, uint32_t> m_classIndex;
    uint32_t m_nextIndex = 1; // one counter for classes and objects
};

// Reads the same encodings from bytes held in memory. Every length and count
// is checked against the bytes that remain before anything is allocated.
class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int32_t I32() { return int32_t(U32()); }
    std::span<const uint8_t> Bytes(size_t n);
    uint32_t Count();
    // Accepts the UTF-16 form and the 8-bit form (decoded as code page 936).
    std::u16string String();

    // Reads an object tag. Returns the class name of the object that
    // follows, or an empty string for a null object (nothing follows).
    // Back-references to objects already read are refused as damage.
    std::string ObjectTag();

    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_bytes.size() - m_pos; }
    bool AtEnd() const { return m_pos == m_bytes.size(); }

private:
    void Need(uint64_t n) const;

    std::span<const uint8_t> m_bytes;
    size_t m_pos = 0;
    // Class index -> class name. Objects take indices from the same counter
    // but are not kept, since references to them are refused.
    std::map<uint32_t, std::string> m_classes;
    uint32_t m_nextIndex = 1;
};

} // namespace kdx
