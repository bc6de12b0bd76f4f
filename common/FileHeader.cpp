#include "common/FileHeader.h"

#include "common/ByteOrder.h"
#include "common/CMappedMemory.h"
#include "common/Crc32.h"

#include <algorithm>
#include <cstring>

namespace kdx {
namespace {

// "KDX PANEL" in UTF-16LE followed by one zero unit.
constexpr std::array<uint8_t, 20> kMagic = {
    'K', 0, 'D', 0, 'X', 0, ' ', 0, 'P', 0, 'A', 0, 'N', 0, 'E', 0, 'L', 0, 0, 0};

} // namespace

std::u16string FileHeader::Remark() const
{
    std::u16string text;
    for (size_t i = 0; i + 1 < remarkRaw.size(); i += 2) {
        char16_t unit = char16_t(remarkRaw[i] | (remarkRaw[i + 1] << 8));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

void FileHeader::SetRemark(const std::u16string& remark)
{
    remarkRaw.fill(0);
    size_t units = std::min<size_t>(remark.size(), 64);
    for (size_t i = 0; i < units; ++i)
        StoreLE16(&remarkRaw[2 * i], uint16_t(remark[i]));
}

std::array<uint8_t, FileHeader::kSize> FileHeader::Bytes() const
{
    std::array<uint8_t, kSize> out{};
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    StoreLE32(&out[20], kind);
    StoreLE32(&out[24], version);
    StoreLE16(&out[28], width);
    StoreLE16(&out[30], height);
    StoreLE32(&out[32], colorDepth);
    StoreLE32(&out[36], hardwareId);
    StoreLE32(&out[kSealOffset], crc);
    std::copy(reserved.begin(), reserved.end(), out.begin() + 44);
    std::copy(remarkRaw.begin(), remarkRaw.end(), out.begin() + kRemarkOffset);
    return out;
}

bool FileHeader::HasMagic(std::span<const uint8_t> bytes)
{
    return bytes.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes.begin());
}

std::optional<FileHeader> FileHeader::Parse(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kSize || !HasMagic(bytes))
        return std::nullopt;
    const uint8_t* p = bytes.data();
    FileHeader h;
    h.kind = LoadLE32(p + 20);
    h.version = LoadLE32(p + 24);
    h.width = LoadLE16(p + 28);
    h.height = LoadLE16(p + 30);
    h.colorDepth = LoadLE32(p + 32);
    h.hardwareId = LoadLE32(p + 36);
    h.crc = LoadLE32(p + kSealOffset);
    std::copy(p + 44, p + 44 + h.reserved.size(), h.reserved.begin());
    std::copy(p + kRemarkOffset, p + kSize, h.remarkRaw.begin());
    return h;
}

ProjectCheck CheckProjectFile(std::span<const uint8_t> file, FileHeader* header)
{
    std::optional<FileHeader> h = FileHeader::Parse(file);
    if (!h || h->kind != FileHeader::kProjectKind)
        return ProjectCheck::NotProject;
    if (h->version != FileHeader::kVersion)
        return ProjectCheck::BadVersion;
    if (file.size() <= FileHeader::kSize || ComputeFileSeal(file) != h->crc)
        return ProjectCheck::Damaged;
    if (h->colorDepth != 16 && h->colorDepth != 24)
        return ProjectCheck::BadDepth;
    if (header)
        *header = *h;
    return ProjectCheck::Ok;
}

CompiledCheck CheckCompiledFile(std::span<const uint8_t> file, FileHeader* header)
{
    if (file.size() <= FileHeader::kSize)
        return CompiledCheck::NotCompiled;
    std::optional<FileHeader> h = FileHeader::Parse(file);
    if (!h || h->kind != FileHeader::kCompiledKind)
        return CompiledCheck::NotCompiled;
    if (ComputeFileSeal(file) != h->crc)
        return CompiledCheck::Damaged;
    if (header)
        *header = *h;
    return CompiledCheck::Ok;
}

void SealBytes(std::span<uint8_t> file)
{
    if (file.size() <= FileHeader::kSize)
        return;
    StoreLE32(file.data() + kSealOffset, ComputeFileSeal(file));
}

bool SealFile(const std::string& path, std::string* error)
{
    std::unique_ptr<CMappedMemory> map = CMappedMemory::MapFile(path, true, error);
    if (!map)
        return false;
    SealBytes(map->Bytes());
    return map->Sync(error);
}

} // namespace kdx
