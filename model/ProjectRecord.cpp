// The project file read into plain values and written back from them: the
// one reader and writer of the stored form, for the editor, the compiler and
// the file tools alike.
#include "model/ProjectRecord.h"

#include "model/ModelStrings.h"
#include "model/ObjectCodec.h"
#include "model/ProjectFormat.h"

#include <limits>

namespace kdx {
namespace {

void WriteSend(ArchiveWriter& out, const std::optional<SendBlockRecord>& block)
{
    if (block)
        WriteSendBlock(out, {block->tag, block->bytes});
    else
        WriteSendBlock(out, {});
}

std::optional<SendBlockRecord> ReadSend(ArchiveReader& in, size_t maxBytes)
{
    const SendBlock block = ReadSendBlock(in, maxBytes);
    if (block.bytes.empty())
        return std::nullopt;
    return SendBlockRecord{block.tag, {block.bytes.begin(), block.bytes.end()}};
}

void WriteObjectBody(ArchiveWriter& out, const ObjectRecord& obj)
{
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

// Reads pages and objects into a record, keeping track of the part being
// read so that a failure can say where it happened.
class PartReader {
public:
    PartReader(ArchiveReader& in, RecordStrictness strictness)
        : m_in(in), m_strict(strictness == RecordStrictness::Strict)
    {
    }

    RecordFault& At() { return m_at; }

    void ReadPages(std::vector<PageRecord>& pages)
    {
        m_at.part = RecordPart::PageCount;
        m_at.pageCount = m_in.Count();
        if (m_strict && m_at.pageCount > m_in.Remaining() / kMinPageBytes)
            throw ArchiveError(ArchiveFault::BadCount,
                               "too many pages (" + std::to_string(m_at.pageCount) + ") for the file");
        for (uint32_t i = 0; i < m_at.pageCount; ++i)
            ReadPage(pages.emplace_back());
    }

    // The object after its tag, or none for a null object.
    std::optional<ObjectKind> ReadTag()
    {
        m_at.part = RecordPart::ObjectTag;
        const std::string className = m_in.ObjectTag();
        if (className.empty())
            return std::nullopt;
        const std::optional<ObjectKind> kind = ObjectKindOfClass(className);
        if (!kind) {
            m_at.part = RecordPart::ObjectClass;
            m_at.className = className;
            throw ArchiveError(ArchiveFault::UnknownClass, "unknown class name \"" + className + "\"");
        }
        return kind;
    }

    void ReadObject(ObjectRecord& obj)
    {
        m_at.part = RecordPart::ObjectFields;
        if (obj.kind == ObjectKind::Line) {
            obj.lineColor = m_in.U32();
            obj.rect = ReadRect(m_in);
            return;
        }
        const ObjectFields fields = ReadObjectFields(m_in);
        obj.objectId = fields.objectId;
        obj.lineColor = fields.lineColor;
        obj.fillColor = fields.fillColor;
        obj.jumpTarget = fields.jumpTarget;
        obj.executeCondition = fields.executeCondition;
        obj.rect = fields.bounds;
        m_at.part = RecordPart::ObjectSend;
        obj.sendData = ReadSend(m_in, MaxSendBytes());
        m_at.part = RecordPart::ObjectKindFields;
        switch (obj.kind) {
        case ObjectKind::RoundRect: obj.radius = m_in.I32(); break;
        case ObjectKind::Custom: obj.customId = m_in.U32(); break;
        case ObjectKind::Text: {
            obj.fontId = m_in.U32();
            obj.tabSize = m_in.I32();
            obj.lineSpacing = m_in.I32();
            obj.charSpacing = m_in.I32();
            m_at.part = RecordPart::ObjectText;
            std::u16string units = ReadTextUnits(m_in);
            if (!units.empty())
                obj.text = std::move(units);
            break;
        }
        case ObjectKind::Image: {
            ImagePaths paths = ReadImagePaths(m_in);
            obj.normalImage = std::move(paths.normal);
            obj.pressedImage = std::move(paths.pressed);
            break;
        }
        default: break;
        }
    }

private:
    size_t MaxSendBytes() const { return m_strict ? kMaxSendDataBytes : std::numeric_limits<size_t>::max(); }

    void ReadPage(PageRecord& page)
    {
        m_at.objectCount = 0;
        m_at.objectNumber = 0;
        m_at.part = RecordPart::PageHead;
        page.pageId = m_in.U32();
        page.name = m_in.String();
        m_at.part = RecordPart::PageBackground;
        page.backgroundColor = m_in.U32();
        page.backgroundImage = m_in.String();
        m_at.part = RecordPart::PageLoadSend;
        page.loadSend = ReadSend(m_in, MaxSendBytes());
        m_at.part = RecordPart::PageUnloadSend;
        page.unloadSend = ReadSend(m_in, MaxSendBytes());
        m_at.part = RecordPart::ObjectCount;
        m_at.objectCount = m_in.Count();
        if (m_strict && m_at.objectCount > m_in.Remaining() / kMinObjectBytes)
            throw ArchiveError(ArchiveFault::BadCount,
                               "too many objects (" + std::to_string(m_at.objectCount) + ") for the file");
        for (m_at.objectNumber = 1; m_at.objectNumber <= m_at.objectCount; ++m_at.objectNumber) {
            const std::optional<ObjectKind> kind = ReadTag();
            if (!kind)
                continue; // a null object
            ObjectRecord& obj = page.objects.emplace_back();
            obj.kind = *kind;
            ReadObject(obj);
        }
        m_at.objectNumber = 0;
    }

    ArchiveReader& m_in;
    bool m_strict;
    RecordFault m_at;
};

} // namespace

QString DescribeArchiveError(const ArchiveError& e)
{
    const char16_t* text = u"数据错误";
    switch (e.Fault()) {
    case ArchiveFault::EndsEarly: text = u"文件意外结束"; break;
    case ArchiveFault::StringTooLong: text = u"字符串长度超出文件"; break;
    case ArchiveFault::BackReference: text = u"不支持的对象引用"; break;
    case ArchiveFault::UnknownClass: text = u"未知的对象类型"; break;
    case ArchiveFault::BadClassName: text = u"对象类名错误"; break;
    case ArchiveFault::SendDataTooLong: text = u"发送数据超过65535字节"; break;
    case ArchiveFault::OddTextLength: text = u"文本长度错误"; break;
    case ArchiveFault::BadCount: text = u"数量超出文件大小"; break;
    case ArchiveFault::Misplaced: break;
    }
    return QString::fromUtf16(text) + u'（' + QString::fromStdString(e.what()) + u'）';
}

std::optional<RecordFault> ReadProjectParts(std::span<const uint8_t> file, ProjectRecord& out,
                                            RecordStrictness strictness)
{
    out = ProjectRecord();
    RecordFault fault;
    fault.check = CheckProjectFile(file, &out.header);
    if (fault.check != ProjectCheck::Ok)
        return fault;
    ArchiveReader in(file.subspan(FileHeader::kSize));
    PartReader reader(in, strictness);
    fault.part = RecordPart::ViewSettings;
    if (in.Remaining() < ViewSettings::kSize)
        return fault;
    out.view.size = in.U32();
    out.view.lastObjectId = in.U32();
    out.view.gridWidth = in.U32();
    out.view.gridHeight = in.U32();
    out.view.gridColor = in.U32();
    out.view.reserved = in.U32();
    if (out.view.size != ViewSettings::kSize)
        return fault;
    try {
        reader.ReadPages(out.pages);
    } catch (const ArchiveError& e) {
        reader.At().error = e;
        return reader.At();
    } catch (const std::bad_alloc&) {
        return reader.At();
    }
    return std::nullopt;
}

std::optional<ProjectError> FileFaultError(const RecordFault& fault)
{
    if (fault.part == RecordPart::ViewSettings)
        return ProjectError{kStrBadVersion, {}};
    if (fault.part != RecordPart::Header)
        return std::nullopt;
    switch (fault.check) {
    case ProjectCheck::NotProject: return ProjectError{kStrNotProjectFile, {}};
    case ProjectCheck::BadVersion: return ProjectError{kStrBadVersion, {}};
    case ProjectCheck::Damaged: return ProjectError{kStrFileDamaged, {}};
    case ProjectCheck::BadDepth: return ProjectError{kStrBadColorDepth, {}};
    case ProjectCheck::Ok: break;
    }
    return std::nullopt;
}

std::optional<ProjectError> ReadProjectRecord(std::span<const uint8_t> file, ProjectRecord& out)
{
    const std::optional<RecordFault> fault = ReadProjectParts(file, out, RecordStrictness::Strict);
    if (!fault)
        return std::nullopt;
    if (std::optional<ProjectError> error = FileFaultError(*fault))
        return error;
    const QString where = fault->part == RecordPart::PageCount
        ? QString()
        : QString::fromUtf16(u"第 %1 页：").arg(out.pages.size());
    out = ProjectRecord();
    return ProjectError{kStrCannotReadContent,
                        {where + (fault->error ? DescribeArchiveError(*fault->error) : QStringLiteral("std::bad_alloc"))}};
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
            WriteObjectRecord(out, obj);
    }
    std::vector<uint8_t>& bytes = out.Data();
    SealBytes(bytes);
    return std::move(bytes);
}

void WriteObjectRecord(ArchiveWriter& out, const ObjectRecord& object)
{
    out.ObjectTag(ObjectClassName(object.kind));
    WriteObjectBody(out, object);
}

std::optional<ObjectRecord> ReadObjectRecord(ArchiveReader& in)
{
    PartReader reader(in, RecordStrictness::Strict);
    const std::optional<ObjectKind> kind = reader.ReadTag();
    if (!kind)
        return std::nullopt;
    ObjectRecord object;
    object.kind = *kind;
    reader.ReadObject(object);
    return object;
}

} // namespace kdx
