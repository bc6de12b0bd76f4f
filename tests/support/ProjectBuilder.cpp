#include "tests/support/ProjectBuilder.h"

#include "common/Archive.h"
#include "model/ObjectCodec.h"

#include <fstream>

namespace kdx::testing {
namespace {

void WriteSend(ArchiveWriter& out, const std::optional<SendDesc>& send)
{
    if (send)
        WriteSendBlock(out, {send->tag, send->bytes});
    else
        WriteSendBlock(out, {});
}

void WriteObject(ArchiveWriter& out, const ObjectDesc& o)
{
    out.ObjectTag(o.className);
    const PageRect rect{o.left, o.top, o.right, o.bottom};
    if (o.className == "CDrawLine") {
        out.U32(o.lineColor);
        WriteRect(out, rect);
        return;
    }
    WriteObjectFields(out, {o.objectId, o.lineColor, o.fillColor, o.jumpTarget, o.executeCondition, rect});
    WriteSend(out, o.send);
    if (o.className == "CDrawRoundRect" || o.className == "CDrawCustom") {
        out.U32(o.extra);
    } else if (o.className == "CDrawText") {
        for (uint32_t v : {o.fontId, o.tabSize, o.lineSpacing, o.charSpacing})
            out.U32(v);
        std::vector<uint8_t> bytes;
        if (o.rawText) {
            bytes = *o.rawText;
        } else if (!o.text.empty()) {
            for (char16_t c : o.text + u'\0') {
                bytes.push_back(uint8_t(c));
                bytes.push_back(uint8_t(c >> 8));
            }
        }
        out.Count(uint32_t(bytes.size()));
        out.Bytes(bytes);
    } else if (o.className == "CDrawImage") {
        WriteImagePaths(out, {o.normalImage, o.pressedImage});
    }
}

} // namespace

ObjectDesc Shape(const std::string& className, uint32_t id, int32_t l, int32_t t, int32_t r, int32_t b)
{
    ObjectDesc o;
    o.className = className;
    o.objectId = id;
    o.left = l, o.top = t, o.right = r, o.bottom = b;
    return o;
}

std::vector<uint8_t> BuildProjectFile(const ProjectDesc& project)
{
    ArchiveWriter out;
    const auto head = project.header.Bytes();
    out.Bytes(head);
    out.U32(project.viewSettingsSize);
    for (uint32_t v : {0u, 4u, 4u, 0x808080u, 0u})
        out.U32(v);
    out.Count(uint32_t(project.pages.size()));
    for (const PageDesc& page : project.pages) {
        out.U32(page.pageId);
        out.String(page.name);
        out.U32(page.backgroundColor);
        out.String(page.backgroundImage);
        WriteSend(out, page.loadSend);
        WriteSend(out, page.unloadSend);
        out.Count(uint32_t(page.objects.size()));
        for (const ObjectDesc& o : page.objects)
            WriteObject(out, o);
    }
    SealBytes(out.Data());
    return out.Data();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace kdx::testing
