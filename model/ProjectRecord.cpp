// The project file read into plain values and written back from them.
#include "model/ProjectRecord.h"

#include "common/Archive.h"
#include "model/ModelStrings.h"
#include "model/ObjectCodec.h"
#include "model/ProjectFormat.h"

namespace kdx {
namespace {

void WriteSend(ArchiveWriter& out, const std::optional<SendBlockRecord>& block)
{
    if (block)
        WriteSendBlock(out, {block->tag, block->bytes});
    else
        WriteSendBlock(out, {});
}

std::optional<SendBlockRecord> ReadSend(ArchiveReader& in)
{
    const SendBlock block = ReadSendBlock(in, kMaxSendDataBytes);
    if (block.bytes.empty())
        return std::nullopt;
    return SendBlockRecord{block.tag, {block.bytes.begin(), block.bytes.end()}};
}

void WriteObject(ArchiveWriter& out, const ObjectRecord& obj)
{
    out.ObjectTag(ObjectClassName(obj.kind));
    if (obj.kind == ObjectKind::Line) {
        out.U32(obj.lineColor);
        WriteRect(out, obj.rect);
        return;
    }
    WriteObjectFields(out, {obj.objectId, obj.lineColor, obj.fillColor, obj.jumpTarget, obj.executeCondition, obj.rect});
    WriteSend(out, obj.sendData);
    switch (obj.kind) {
    case ObjectKind::RoundRect: out.I32(obj.radius); break;
    case ObjectKind::Custom: out.U32(obj.customId); break;
    case ObjectKind::Text:
        out.U32(obj.fontId);
        out.I32(obj.tabSize);
        out.I32(obj.lineSpacing);
        out.I32(obj.charSpacing);
        WriteTextUnits(out, obj.text ? std::u16string_view(*obj.text) : std::u16string_view());
        break;
    case ObjectKind::Image:
        WriteImagePaths(out, {obj.normalImage, obj.pressedImage});
        break;
    default: break;
    }
}

ObjectRecord ReadObject(ArchiveReader& in, ObjectKind kind)
{
    ObjectRecord obj;
    obj.kind = kind;
    if (kind == ObjectKind::Line) {
        obj.lineColor = in.U32();
        obj.rect = ReadRect(in);
        return obj;
    }
    const ObjectFields fields = ReadObjectFields(in);
    obj.objectId = fields.objectId;
    obj.lineColor = fields.lineColor;
    obj.fillColor = fields.fillColor;
    obj.jumpTarget = fields.jumpTarget;
    obj.executeCondition = fields.executeCondition;
    obj.rect = fields.bounds;
    obj.sendData = ReadSend(in);
    switch (kind) {
    case ObjectKind::RoundRect: obj.radius = in.I32(); break;
    case ObjectKind::Custom: obj.customId = in.U32(); break;
    case ObjectKind::Text: {
        obj.fontId = in.U32();
        obj.tabSize = in.I32();
        obj.lineSpacing = in.I32();
        obj.charSpacing = in.I32();
        std::u16string units = ReadTextUnits(in);
        if (!units.empty())
            obj.text = std::move(units);
        break;
    }
    case ObjectKind::Image: {
        ImagePaths paths = ReadImagePaths(in);
        obj.normalImage = std::move(paths.normal);
        obj.pressedImage = std::move(paths.pressed);
        break;
    }
    default: break;
    }
    return obj;
}

PageRecord ReadPage(ArchiveReader& in)
{
    PageRecord page;
    page.pageId = in.U32();
    page.name = in.String();
    page.backgroundColor = in.U32();
    page.backgroundImage = in.String();
    page.loadSend = ReadSend(in);
    page.unloadSend = ReadSend(in);
    const uint32_t count = in.Count();
    if (count > in.Remaining() / kMinObjectBytes)
        throw ArchiveError(ArchiveFault::BadCount, "too many objects (" + std::to_string(count) + ") for the file");
    for (uint32_t i = 0; i < count; ++i) {
        const std::string className = in.ObjectTag();
        if (className.empty())
            continue; // a null object
        std::optional<ObjectKind> kind = ObjectKindOfClass(className);
        if (!kind)
            throw ArchiveError(ArchiveFault::UnknownClass, "unknown class name \"" + className + "\"");
        page.objects.push_back(ReadObject(in, *kind));
    }
    return page;
}

} // namespace

std::optional<ProjectError> ReadProjectRecord(std::span<const uint8_t> file, ProjectRecord& out)
{
    out = ProjectRecord();
    switch (CheckProjectFile(file, &out.header)) {
    case ProjectCheck::NotProject: return ProjectError{kStrNotProjectFile, {}};
    case ProjectCheck::BadVersion: return ProjectError{kStrBadVersion, {}};
    case ProjectCheck::Damaged: return ProjectError{kStrFileDamaged, {}};
    case ProjectCheck::BadDepth: return ProjectError{kStrBadColorDepth, {}};
    case ProjectCheck::Ok: break;
    }
    ArchiveReader in(file.subspan(FileHeader::kSize));
    if (in.Remaining() < ViewSettings::kSize)
        return ProjectError{kStrBadVersion, {}};
    out.view.size = in.U32();
    out.view.lastObjectId = in.U32();
    out.view.gridWidth = in.U32();
    out.view.gridHeight = in.U32();
    out.view.gridColor = in.U32();
    out.view.reserved = in.U32();
    if (out.view.size != ViewSettings::kSize)
        return ProjectError{kStrBadVersion, {}};
    size_t pageNumber = 0;
    try {
        const uint32_t count = in.Count();
        if (count > in.Remaining() / kMinPageBytes)
            throw ArchiveError(ArchiveFault::BadCount, "too many pages (" + std::to_string(count) + ") for the file");
        for (pageNumber = 1; pageNumber <= count; ++pageNumber)
            out.pages.push_back(ReadPage(in));
    } catch (const std::exception& e) {
        const auto* archive = dynamic_cast<const ArchiveError*>(&e);
        QString where = pageNumber ? QString::fromUtf16(u"第 %1 页：").arg(pageNumber) : QString();
        out = ProjectRecord();
        return ProjectError{kStrCannotReadContent,
                            {where + (archive ? DescribeArchiveError(*archive) : QString::fromLocal8Bit(e.what()))}};
    }
    return std::nullopt;
}

std::vector<uint8_t> WriteProjectRecord(const ProjectRecord& project)
{
    FileHeader header = project.header;
    header.kind = FileHeader::kProjectKind;
    ArchiveWriter out;
    out.Bytes(header.Bytes());
    out.U32(ViewSettings::kSize);
    out.U32(project.view.lastObjectId);
    out.U32(project.view.gridWidth);
    out.U32(project.view.gridHeight);
    out.U32(project.view.gridColor);
    out.U32(project.view.reserved);
    out.Count(uint32_t(project.pages.size()));
    for (const PageRecord& page : project.pages) {
        out.U32(page.pageId);
        out.String(page.name);
        out.U32(page.backgroundColor);
        out.String(page.backgroundImage);
        WriteSend(out, page.loadSend);
        WriteSend(out, page.unloadSend);
        out.Count(uint32_t(page.objects.size()));
        for (const ObjectRecord& obj : page.objects)
            WriteObject(out, obj);
    }
    std::vector<uint8_t>& bytes = out.Data();
    SealBytes(bytes);
    return std::move(bytes);
}

} // namespace kdx
