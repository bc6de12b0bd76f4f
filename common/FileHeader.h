#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kdx {

// The 208-byte header that begins both the project file (kind 1) and the
// compiled file (kind 2). Reserved bytes and the whole remark field are kept
// as read, so that a header written back is byte-identical.
struct FileHeader {
    static constexpr size_t kSize = 208;
    static constexpr size_t kRemarkOffset = 78;
    static constexpr size_t kRemarkBytes = 130;
    static constexpr uint32_t kProjectKind = 1;
    static constexpr uint32_t kCompiledKind = 2;
    static constexpr uint32_t kVersion = 1;

    uint32_t kind = kProjectKind;
    uint32_t version = kVersion;
    uint16_t width = 480;
    uint16_t height = 272;
    uint32_t colorDepth = 16;
    uint32_t hardwareId = 0;
    uint32_t crc = 0;
    std::array<uint8_t, 34> reserved{};
    std::array<uint8_t, kRemarkBytes> remarkRaw{};

    int MajorVersion() const { return int(version & 0xFFFF); }
    int MinorVersion() const { return int(version >> 16); }

    // The remark up to its zero unit, or up to the end of the field.
    std::u16string Remark() const;
    // Stores at most 64 characters and a zero unit; the rest of the field is cleared.
    void SetRemark(const std::u16string& remark);

    std::array<uint8_t, kSize> Bytes() const;
    // Reads a header whose magic matches; nullopt when fewer than 208 bytes
    // are given or the magic differs. The kind is not checked here.
    static std::optional<FileHeader> Parse(std::span<const uint8_t> bytes);
    static bool HasMagic(std::span<const uint8_t> bytes);
};

// Result of the checks a project file's header undergoes before anything
// after it is interpreted, in the order they are made.
enum class ProjectCheck {
    Ok,
    NotProject,   // fewer than 208 bytes, wrong magic, or kind not 1
    BadVersion,   // version not 1
    Damaged,      // not longer than 208 bytes, or the seal does not match
    BadDepth,     // colour depth neither 16 nor 24
};
ProjectCheck CheckProjectFile(std::span<const uint8_t> file, FileHeader* header = nullptr);

// Checks of a compiled file, in order.
enum class CompiledCheck {
    Ok,
    NotCompiled,  // not longer than 208 bytes, wrong magic, or kind not 2
    Damaged,      // seal does not match
};
CompiledCheck CheckCompiledFile(std::span<const uint8_t> file, FileHeader* header = nullptr);

// Computes the seal of a file on disk and stores it at offset 40 through a
// writable mapping. Files of 208 bytes or less are left alone. Returns false
// and sets 'error' when the file cannot be mapped.
bool SealFile(const std::string& path, std::string* error = nullptr);

// Stores the seal into a file image held in memory.
void SealBytes(std::span<uint8_t> file);

} // namespace kdx
