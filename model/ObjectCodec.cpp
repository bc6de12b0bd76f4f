#include "model/ObjectCodec.h"

#include "common/Archive.h"

#include <string>

namespace kdx {
namespace {

constexpr uint32_t kImagePad = 0xFFFFFFFFu;

} // namespace


void WriteRect(ArchiveWriter& out, const PageRect& rect)
{
    out.I32(rect.left);
    out.I32(rect.top);
    out.I32(rect.right);
    out.I32(rect.bottom);
}

PageRect ReadRect(ArchiveReader& in)
{
    PageRect rect;
    rect.left = in.I32();
    rect.top = in.I32();
    rect.right = in.I32();
    rect.bottom = in.I32();
    return rect;
}

void WriteObjectFields(ArchiveWriter& out, const ObjectFields& fields)
{
    out.U32(fields.objectId);
    out.U32(fields.lineColor);
    out.U32(fields.fillColor);
    out.U32(fields.jumpTarget);
    out.U32(fields.executeCondition);
    WriteRect(out, fields.bounds);
}

ObjectFields ReadObjectFields(ArchiveReader& in)
{
    ObjectFields fields;
    fields.objectId = in.U32();
    fields.lineColor = in.U32();
    fields.fillColor = in.U32();
    fields.jumpTarget = in.U32();
    fields.executeCondition = in.U32();
    fields.bounds = ReadRect(in);
    return fields;
}

void WriteSendBlock(ArchiveWriter& out, const SendBlock& block)
{
    if (block.bytes.empty()) {
        out.Count(0);
        return;
    }
    out.Count(uint32_t(block.bytes.size()));
    out.U32(block.tag);
    out.Bytes(block.bytes);
}

SendBlock ReadSendBlock(ArchiveReader& in, size_t maxBytes)
{
    const uint32_t n = in.Count();
    if (n == 0)
        return {};
    if (n > maxBytes)
        throw ArchiveError(ArchiveFault::SendDataTooLong, "send data longer than " + std::to_string(maxBytes) +
                                                              " bytes at byte " + std::to_string(in.Position()));
    SendBlock block;
    block.tag = in.U32();
    block.bytes = in.Bytes(n);
    return block;
}

void WriteTextUnits(ArchiveWriter& out, std::u16string_view text)
{
    out.Count(uint32_t(text.size() * 2));
    for (char16_t unit : text)
        out.U16(uint16_t(unit));
}

std::u16string ReadTextUnits(ArchiveReader& in)
{
    const uint32_t bytes = in.Count();
    if (bytes % 2 != 0)
        throw ArchiveError(ArchiveFault::OddTextLength, "a text has an odd number of bytes at byte " + std::to_string(in.Position()));
    std::span<const uint8_t> raw = in.Bytes(bytes);
    std::u16string units(bytes / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = char16_t(raw[2 * i] | (raw[2 * i + 1] << 8));
    return units;
}

void WriteImagePaths(ArchiveWriter& out, const ImagePaths& paths)
{
    out.U32(kImagePad);
    out.String(paths.normal);
    out.U32(kImagePad);
    out.String(paths.pressed);
}

ImagePaths ReadImagePaths(ArchiveReader& in)
{
    ImagePaths paths;
    in.U32();
    paths.normal = in.String();
    in.U32();
    paths.pressed = in.String();
    return paths;
}

} // namespace kdx
