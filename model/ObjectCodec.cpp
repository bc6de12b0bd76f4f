#include "model/ObjectCodec.h"

#include "common/Archive.h"

#include <string>

namespace kdx {

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

} // namespace kdx
