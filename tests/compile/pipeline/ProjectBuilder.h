#pragma once
// Writes project files for the compiler's tests and benchmark, using the
// archive encodings directly (independent of the editor's model).
#include "common/Archive.h"
#include "common/FileHeader.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace kdx::testing {

struct SendDesc {
    uint32_t tag = 0;
    std::vector<uint8_t> bytes;
};

struct ObjectDesc {
    std::string className = "CDrawRect";
    uint32_t objectId = 1;
    uint32_t lineColor = 0xFFFFFFFF;
    uint32_t fillColor = 0xFFFFFFFF;
    uint32_t jumpTarget = 0xFFFF;
    uint32_t executeCondition = 0;
    int32_t left = 0, top = 0, right = 10, bottom = 10;
    std::optional<SendDesc> send;
    uint32_t extra = 0; // radius of a rounded rectangle, id of a custom object
    // Text objects.
    uint32_t fontId = 1, tabSize = 8, lineSpacing = 0, charSpacing = 0;
    std::u16string text;      // stored with a terminating zero unless rawText is set
    std::optional<std::vector<uint8_t>> rawText;
    // Picture objects.
    std::u16string normalImage, pressedImage;
};

struct PageDesc {
    uint32_t pageId = 0;
    std::u16string name = u"Page 1";
    uint32_t backgroundColor = 0xFFFFFFFF;
    std::u16string backgroundImage;
    std::optional<SendDesc> loadSend, unloadSend;
    std::vector<ObjectDesc> objects;
};

struct ProjectDesc {
    FileHeader header;
    uint32_t viewSettingsSize = 24;
    std::vector<PageDesc> pages;
};

inline ObjectDesc Shape(const std::string& className, uint32_t id, int32_t l, int32_t t, int32_t r, int32_t b)
{
    ObjectDesc o;
    o.className = className;
    o.objectId = id;
    o.left = l, o.top = t, o.right = r, o.bottom = b;
    return o;
}

inline void WriteSend(ArchiveWriter& out, const std::optional<SendDesc>& send)
{
    if (!send || send->bytes.empty()) {
        out.Count(0);
        return;
    }
    out.Count(uint32_t(send->bytes.size()));
    out.U32(send->tag);
    out.Bytes(send->bytes);
}

inline void WriteObject(ArchiveWriter& out, const ObjectDesc& o)
{
    out.ObjectTag(o.className);
    if (o.className == "CDrawLine") {
        out.U32(o.lineColor);
        for (int32_t v : {o.left, o.top, o.right, o.bottom})
            out.I32(v);
        return;
    }
    for (uint32_t v : {o.objectId, o.lineColor, o.fillColor, o.jumpTarget, o.executeCondition})
        out.U32(v);
    for (int32_t v : {o.left, o.top, o.right, o.bottom})
        out.I32(v);
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
        out.U32(0xFFFFFFFF);
        out.String(o.normalImage);
        out.U32(0xFFFFFFFF);
        out.String(o.pressedImage);
    }
}

inline std::vector<uint8_t> BuildProjectFile(const ProjectDesc& project)
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

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

} // namespace kdx::testing
