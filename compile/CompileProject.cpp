#include "compile/CompileProject.h"

#include "common/ByteOrder.h"
#include "common/Cp936.h"
#include "common/Crc32.h"
#include "compile/CompileDocument.h"
#include "compile/CrcCombine.h"
#include "terminal/MemoryImageLayout.h"
#include "common/OutputFile.h"
#include "common/PositionalIo.h"
#include "common/RegularFile.h"
#include "terminal/FontTable.h"
#include "model/ProjectRecord.h"
#include "model/ProjectTextForm.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {

using namespace image_layout;
using compiler::CDrawObj;

namespace {

constexpr uint32_t kMaxCount16 = 0xFFFF;

std::u16string Utf16(const std::string& utf8) { return QString::fromStdString(utf8).toStdU16String(); }

// A file name as the user typed it, whatever its bytes.
std::u16string LocalName(const std::string& path) { return QFile::decodeName(path.c_str()).toStdU16String(); }

// Only a regular file of a size a project can have is read: a FIFO would
// block, a device never end.
std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
    FileReadResult file = ReadRegularFile(path);
    switch (file.error) {
    case FileReadError::None: return std::move(file.bytes);
    case FileReadError::CannotOpen:
        throw CompileFailure{u"无法打开工程文件“" + LocalName(path) + u"”：" + Utf16(file.detail)};
    case FileReadError::NotRegular: throw CompileFailure{u"工程文件“" + LocalName(path) + u"”不是普通文件"};
    case FileReadError::TooLarge: throw CompileFailure{u"工程文件“" + LocalName(path) + u"”过大"};
    case FileReadError::ReadFailed:
    case FileReadError::WrongKind: break;
    }
    throw CompileFailure{u"读取工程文件“" + LocalName(path) + u"”失败"};
}

// A project in the text form becomes the project file it stands for, so
// that both forms are checked and compiled alike.
std::vector<uint8_t> FileOfProjectText(const std::string& path, const std::vector<uint8_t>& text)
{
    const QByteArray data(reinterpret_cast<const char*>(text.data()), qsizetype(text.size()));
    std::vector<uint8_t> file;
    if (std::optional<TextFormError> error = ProjectFileOfText(data, file))
        throw CompileFailure{u"工程文本文件“" + LocalName(path) + u"”" + error->Text().toStdU16String()};
    return file;
}

std::u16string PageLabel(uint32_t pageId, const std::u16string& name)
{
    return u"页面" + LocateTag(LocateTarget::Page, pageId) + u"“" + name + u"”";
}

// The failure that stopped the project file's reading, described by what
// was being read.
[[noreturn]] void FailReading(const CompileDocument& doc, const RecordFault& fault)
{
    if (!fault.error)
        throw CompileFailure{doc.readingContext + u"时内存不足"};
    const ArchiveFault kind = fault.error->Fault();
    const bool endsEarly = kind == ArchiveFault::EndsEarly || kind == ArchiveFault::StringTooLong;
    throw CompileFailure{doc.readingContext + (endsEarly ? u"时工程文件意外结束" : u"时遇到无法识别的数据")};
}

bool StoppedAt(const RecordFault* fault, RecordPart part) { return fault && fault->part == part; }

std::u16string ObjectContext(const CompilePage& page, uint32_t number)
{
    return u"读取" + PageLabel(page.pageId, page.name) + FormatText(u"的第%u个对象", {int64_t(number)});
}

// Reports the object whose reading failed, with what the object's own
// values read before tell.
[[noreturn]] void FailObject(CompileDocument& doc, const CompilePage& page, const PageRecord& record,
                             const RecordFault& fault)
{
    doc.readingContext = ObjectContext(page, fault.objectNumber);
    switch (fault.part) {
    case RecordPart::ObjectClass:
        throw CompileFailure{u"工程文件中有未知的对象类型“" + Utf16(fault.className) + u"”"};
    case RecordPart::ObjectSend:
        doc.reporter.FailAt(LocateTarget::Object, record.objects.back().objectId, u"读取对象的“触摸发送”数据错误");
    case RecordPart::ObjectText:
        doc.reporter.FailAt(LocateTarget::Object, record.objects.back().objectId, u"读取文本对象错误");
    default: FailReading(doc, fault);
    }
}

// 'fault' is where the reading stopped when it stopped in this page.
void LoadObjects(CompileDocument& doc, CompilePage& page, const PageRecord& record, const RecordFault* fault)
{
    if (StoppedAt(fault, RecordPart::ObjectCount))
        FailReading(doc, *fault);
    const bool partial = fault && fault->part >= RecordPart::ObjectFields;
    const size_t complete = record.objects.size() - (partial ? 1 : 0);
    for (size_t i = 0; i < complete; ++i) {
        doc.readingContext = ObjectContext(page, uint32_t(i + 1));
        std::unique_ptr<CDrawObj> object = compiler::CreateObject(record.objects[i].kind);
        object->Load(record.objects[i], doc);
        object->CheckRange(doc, page);
        page.objects.push_back(std::move(object));
    }
    if (fault)
        FailObject(doc, page, record, *fault);
}

constexpr uint32_t kMaxImagePageId = 0xFFFF;

// Takes a page's values with the checks that need no other page, in the
// order they are stored; 'fault' as for LoadObjects.
void LoadPage(CompileDocument& doc, const PageRecord& record, uint32_t index, const RecordFault* fault)
{
    CompilePage& page = doc.pages.emplace_back();
    doc.readingContext = FormatText(u"读取第%u个页面", {int64_t(index + 1)});
    if (StoppedAt(fault, RecordPart::PageHead))
        FailReading(doc, *fault);
    page.pageId = record.pageId;
    page.name = record.name;
    doc.readingContext = u"读取" + PageLabel(page.pageId, page.name);
    // The memory image and every jump hold page ids in 16 bits; a larger id,
    // which only a file not written by the editor can hold, would alias
    // another page once cut.
    if (page.pageId > kMaxImagePageId)
        doc.reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”页面标识超出范围（最大为FFFF）",
                            {std::u16string_view(page.name)});
    if (StoppedAt(fault, RecordPart::PageBackground))
        FailReading(doc, *fault);

    const compiler::Rect screen{0, 0, doc.ScreenWidth(), doc.ScreenHeight()};
    if (!record.backgroundImage.empty()) {
        if (!doc.IsPictureSizeSupported(screen.right, screen.bottom))
            doc.reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”的背景图象尺寸%d x %d超出终端所能显示的范围",
                                {std::u16string_view(page.name),
                                int64_t(screen.right), int64_t(screen.bottom)});
        auto background = std::make_unique<compiler::CDrawImage>();
        background->bounds = screen;
        background->pictureId = doc.RegisterPicture(record.backgroundImage, u"", screen.right, screen.bottom);
        page.objects.push_back(std::move(background));
    } else if (record.backgroundColor != kNoColor) {
        auto background = std::make_unique<compiler::CDrawRect>();
        background->bounds = screen;
        background->fillColor = record.backgroundColor;
        page.objects.push_back(std::move(background));
    }

    if (StoppedAt(fault, RecordPart::PageLoadSend))
        doc.reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”读取页面的“加卸数据”错误",
                            {std::u16string_view(page.name)});
    page.loadSend = doc.RegisterSendData(record.loadSend);
    if (StoppedAt(fault, RecordPart::PageUnloadSend))
        doc.reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”读取页面的“卸载数据”错误",
                            {std::u16string_view(page.name)});
    page.unloadSend = doc.RegisterSendData(record.unloadSend);
    LoadObjects(doc, page, record, fault);
}

void CheckHeader(CompileReporter& reporter, ProjectCheck check, const FileHeader& header)
{
    switch (check) {
    case ProjectCheck::Ok: break;
    case ProjectCheck::NotProject: reporter.Fail(u"*不是KDX触摸工程文件\r\n");
    case ProjectCheck::BadVersion: reporter.Fail(u"*版本不正确，无法读取该文件\r\n");
    case ProjectCheck::Damaged: reporter.Fail(u"*文件已经损坏\r\n");
    case ProjectCheck::BadDepth: reporter.Fail(u"*不支持的屏幕色深\r\n");
    }
    // A screen without width or height would silently cull every object.
    if (header.width < 1 || header.height < 1)
        reporter.FailFormatted(u"*不支持的屏幕分辨率%d x %d\r\n", {int64_t(header.width), int64_t(header.height)});
    const std::u16string remark = header.Remark();
    reporter.EmitFormatted(
        u">文件校验完毕（软件版本：%d.%d；硬件标识：%X；屏幕分辨率：%d x %d；屏幕色深：%d；工程备注：%s）\r\n",
        {int64_t(header.MajorVersion()), int64_t(header.MinorVersion()), int64_t(header.hardwareId),
         int64_t(header.width), int64_t(header.height), int64_t(header.colorDepth),
         std::u16string_view(remark)});
}

// The pages in file order, each checked as far as it was read.
void LoadPages(CompileDocument& doc, const ProjectRecord& project, const RecordFault* fault)
{
    doc.readingContext = u"读取页面数量";
    if (StoppedAt(fault, RecordPart::PageCount))
        FailReading(doc, *fault);
    for (size_t i = 0; i < project.pages.size(); ++i) {
        const bool last = i + 1 == project.pages.size();
        LoadPage(doc, project.pages[i], uint32_t(i), last ? fault : nullptr);
    }
}

} // namespace

CompileProject::CompileProject(CompileReporter& reporter)
    : m_reporter(reporter), m_doc(std::make_unique<CompileDocument>(reporter))
{
}

CompileProject::~CompileProject()
{
    if (m_replacedOutput >= 0)
        ::close(m_replacedOutput);
}

void CompileProject::LoadProject(const std::string& path)
{
    CompileDocument& doc = *m_doc;
    m_projectPath = path;
    std::vector<uint8_t> file = ReadWholeFile(path);
    if (IsProjectText(file))
        file = FileOfProjectText(path, file);
    ProjectRecord project;
    const std::optional<RecordFault> read = ReadProjectParts(file, project, RecordStrictness::Lenient);
    const RecordFault* fault = read ? &*read : nullptr;
    doc.header = project.header;
    CheckHeader(m_reporter, fault ? fault->check : ProjectCheck::Ok, doc.header);
    doc.projectFolder = QFileInfo(QFile::decodeName(path.c_str())).absolutePath();

    try {
        doc.readingContext = u"读取工程的视图设置";
        if (StoppedAt(fault, RecordPart::ViewSettings))
            m_reporter.Fail(u"*版本不正确，无法读取该文件\r\n");
        LoadPages(doc, project, fault);
    } catch (const std::bad_alloc&) {
        throw CompileFailure{doc.readingContext + u"时内存不足"};
    }
    doc.ConvertPictures();
}

void CompileProject::Optimize()
{
    CompileDocument& doc = *m_doc;
    for (CompilePage& page : doc.pages) {
        std::erase_if(page.objects, [&](std::unique_ptr<CDrawObj>& object) {
            if (object->Check(doc, page))
                return false;
            object->Release(doc);
            return true;
        });
        if (page.objects.empty())
            m_reporter.WarnAt(LocateTarget::Page, page.pageId, u"“%s”是个空页面，这是有意的吗",
                              {std::u16string_view(page.name)});
    }
}

void CompileProject::BuildMemoryImage()
{
    CompileDocument& doc = *m_doc;
    ImageWriter& image = doc.image;
    // Counts, indexes and record counts travel in 16-bit fields.
    if (doc.pages.size() > kMaxCount16) {
        const CompilePage& page = doc.pages[kMaxCount16];
        m_reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”超出了终端最多65535个页面的限制",
                          {std::u16string_view(page.name)});
    }
    if (doc.picturePool.Count() > kMaxCount16)
        m_reporter.Fail(u"*图象数量超出了终端最多65535个图象的限制\r\n");

    uint8_t head[kHeaderSize] = {};
    StoreLE32(head, uint32_t(kHeaderSize));
    StoreLE16(head + kHeaderWidth, doc.header.width);
    StoreLE16(head + kHeaderHeight, doc.header.height);
    image.Append(head, sizeof head);

    if (!doc.pages.empty()) {
        image.StoreU32(kHeaderPageCount, uint32_t(doc.pages.size()));
        image.StoreU32(kHeaderPageTable, uint32_t(image.Size()));
    }
    for (const CompilePage& page : doc.pages) {
        uint8_t entry[kPageEntrySize] = {};
        StoreLE16(entry + kPageId, uint16_t(page.pageId));
        StoreLE32(entry + kPageLoadSend, page.loadSend);
        StoreLE32(entry + kPageUnloadSend, page.unloadSend);
        image.Append(entry, sizeof entry);
    }

    if (doc.picturePool.Count()) {
        image.StoreU32(kHeaderPictureCount, uint32_t(doc.picturePool.Count()));
        image.StoreU32(kHeaderPictureTable, uint32_t(image.Size()));
    }
    for (const auto& picture : doc.picturePool.Entries()) {
        image.AppendU16(uint16_t(picture->id));
        image.AppendU32(0);
    }

    for (CompilePage& page : doc.pages) {
        const size_t start = image.Size();
        page.currentColor = kNoColor;
        page.recordCount = 0;
        for (auto& object : page.objects)
            object->Compile(doc, page);
        if (page.recordCount > kMaxCount16)
            m_reporter.FailAt(LocateTarget::Page, page.pageId, u"“%s”的绘图记录超出了终端最多65535条的限制",
                              {std::u16string_view(page.name)});
        page.firstRecord = page.recordCount ? uint32_t(start) : 0;
    }

    // Picture blocks follow the records; their frames are copied in from the
    // frame store when the file is written.
    uint64_t offset = image.Size();
    for (const auto& picture : doc.picturePool.Entries()) {
        if (offset > 0xFFFFFFFFu)
            break;
        picture->offset = uint32_t(offset);
        offset += picture->BlockSize();
    }
    doc.picturesSize = offset - image.Size();
    if (offset > 0xFFFFFFFFu)
        m_reporter.Fail(u"*内存影像超过了4GB，无法生成\r\n");

    ImageWriter& tail = doc.tail;
    for (const auto& text : doc.textPool.Entries()) {
        text->offset = uint32_t(offset + tail.Size());
        if (!FindTerminalFont(text->fontId))
            m_reporter.Fail(u"*不支持的字体\r\n");
        const uint8_t blockHead[kTextHeadSize] = {uint8_t(text->fontId), uint8_t(text->charSpacing),
                                                  uint8_t(text->lineSpacing)};
        tail.Append(blockHead, sizeof blockHead);
        const std::string encoded = EncodeCp936(text->text);
        tail.Append(encoded.data(), encoded.size());
    }

    for (const auto& send : doc.sendPool.Entries()) {
        send->offset = uint32_t(offset + tail.Size());
        tail.AppendU16(uint16_t(send->bytes.size()));
        tail.AppendU8(uint8_t(send->tag));
        tail.Append(send->bytes);
    }

    if (doc.ImageSize() > 0xFFFFFFFFu)
        m_reporter.Fail(u"*内存影像超过了4GB，无法生成\r\n");
}

void CompileProject::Relocate()
{
    CompileDocument& doc = *m_doc;
    ImageWriter& image = doc.image;
    const size_t pageTable = image.LoadU32(kHeaderPageTable);
    const size_t pictureTable = image.LoadU32(kHeaderPictureTable);
    auto failPage = [&] { m_reporter.Fail(u"*发生未知错误，无法匹配页面对象，请检查页面标识符\r\n"); };

    // Project pages by identifier (first of equal ones) and the page table's
    // first index per 16-bit identifier.
    std::map<uint32_t, const CompilePage*> pageById;
    std::map<uint16_t, uint16_t> indexById;
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        pageById.emplace(doc.pages[i].pageId, &doc.pages[i]);
        indexById.emplace(uint16_t(doc.pages[i].pageId), uint16_t(i));
    }

    for (size_t i = 0; i < doc.pages.size(); ++i) {
        const size_t entry = pageTable + i * kPageEntrySize;
        const uint16_t id = image.LoadU16(entry + kPageId);
        auto found = pageById.find(id);
        if (id == image_layout::kNoPage || found == pageById.end())
            failPage();
        image.StoreU16(entry + kPageRecordCount, uint16_t(found->second->recordCount));
        image.StoreU32(entry + kPageFirstRecord, found->second->firstRecord);
    }

    // The table holds the pool's entries in order; the entry itself is used
    // rather than the id read back, which the table keeps only in 16 bits.
    const auto& pictures = doc.picturePool.Entries();
    for (size_t i = 0; i < pictures.size(); ++i) {
        const size_t entry = pictureTable + i * kPictureEntrySize;
        image.StoreU16(entry, uint16_t(i));
        image.StoreU32(entry + 2, pictures[i]->offset);
    }

    auto forEachRecord = [&](auto visit) {
        for (const CompilePage& page : doc.pages)
            for (uint32_t r = 0; r < page.recordCount; ++r)
                visit(size_t(page.firstRecord) + size_t(r) * kRecordSize);
    };
    auto relocateValue = [&](uint16_t drawType, auto& pool, std::u16string_view failure) {
        forEachRecord([&](size_t record) {
            if (DrawTypeOf(image.LoadU16(record + kRecordType)) != drawType)
                return;
            const uint32_t id = image.LoadU32(record + kRecordValue);
            if (id == 0)
                return;
            const auto* entry = pool.Find(id);
            if (!entry)
                m_reporter.Fail(failure);
            image.StoreU32(record + kRecordValue, entry->offset);
        });
    };
    relocateValue(kDrawPicture, doc.picturePool, u"*发生未知错误，无法匹配图象对象\r\n");
    relocateValue(kDrawText, doc.textPool, u"*发生未知错误，无法匹配文本对象\r\n");

    auto sendOffset = [&](size_t at) {
        const uint32_t id = image.LoadU32(at);
        if (id == 0)
            return;
        const SendDataPoolEntry* send = doc.sendPool.Find(id);
        if (!send)
            m_reporter.Fail(u"*发生未知错误，无法匹配用户数据\r\n");
        image.StoreU32(at, send->offset);
    };
    for (size_t i = 0; i < doc.pages.size(); ++i) {
        const size_t entry = pageTable + i * kPageEntrySize;
        sendOffset(entry + kPageLoadSend);
        sendOffset(entry + kPageUnloadSend);
        const CompilePage& page = doc.pages[i];
        for (uint32_t r = 0; r < page.recordCount; ++r)
            sendOffset(size_t(page.firstRecord) + size_t(r) * kRecordSize + kRecordSend);
    }

    forEachRecord([&](size_t record) {
        const uint16_t target = image.LoadU16(record + kRecordJump);
        if (target == image_layout::kNoPage)
            return;
        auto found = indexById.find(target);
        if (found == indexById.end())
            failPage();
        image.StoreU16(record + kRecordJump, found->second);
    });
}

namespace {

// One stretch of the compiled file: bytes in memory, frame-store bytes or
// the bytes of a cached frame.
struct Piece {
    Piece(const uint8_t* data, uint64_t size) : data(data), size(size) {}
    Piece(uint64_t storeAt, uint64_t size, uint32_t crc) : size(size), storeAt(storeAt), knownCrc(crc) {}
    Piece(const CachedBytes& cached, FrameOfPicture frame)
        : size(cached.Size()), cached(&cached), frame(frame), knownCrc(cached.Crc()) {}

    const uint8_t* data = nullptr;
    uint64_t size = 0;
    uint64_t storeAt = PicturePoolEntry::kNoFrame;
    const CachedBytes* cached = nullptr;
    FrameOfPicture frame{};
    std::optional<uint32_t> knownCrc; // of a frame, computed when it was made or stored
};

std::vector<Piece> FilePieces(const CompileDocument& doc, const uint8_t* head,
                              std::vector<std::array<uint8_t, kPictureHeadSize>>& blockHeads)
{
    static const uint8_t kNoKeyColour[4] = {};
    std::vector<Piece> pieces{{head, FileHeader::kSize}, {doc.image.Data(), uint64_t(doc.image.Size())}};
    blockHeads.resize(doc.picturePool.Count());
    size_t i = 0;
    for (const auto& picture : doc.picturePool.Entries()) {
        uint8_t* blockHead = blockHeads[i++].data();
        StoreLE16(blockHead, uint16_t(picture->width));
        StoreLE16(blockHead + 2, uint16_t(picture->height));
        blockHead[4] = 0;
        blockHead[5] = picture->depth;
        blockHead[6] = uint8_t(picture->FrameCount());
        pieces.emplace_back(blockHead, kPictureHeadSize);
        for (bool pressed : {false, true}) {
            const PicturePoolEntry::Frame& frame = picture->FrameOf(pressed);
            if (frame.storeAt == PicturePoolEntry::kNoFrame && !frame.cached)
                continue;
            pieces.emplace_back(kNoKeyColour, 4);
            if (frame.cached)
                pieces.emplace_back(*frame.cached, FrameOfPicture{picture.get(), pressed});
            else
                pieces.emplace_back(frame.storeAt, picture->frameSize, frame.crc);
        }
    }
    pieces.emplace_back(doc.tail.Data(), doc.tail.Size());
    return pieces;
}

// The seal over the pieces (bytes 0-39, then 44 to the end), put together
// from the CRC of each piece; frames bring theirs from the frame store.
uint32_t SealPieces(const std::vector<Piece>& pieces)
{
    Crc32 head;
    head.Update(pieces[0].data, kSealOffset);
    head.Update(pieces[0].data + kSealOffset + 4, size_t(pieces[0].size) - kSealOffset - 4);
    uint32_t seal = head.Value();
    for (size_t i = 1; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const uint32_t crc = piece.knownCrc ? *piece.knownCrc : ComputeCrc32({piece.data, size_t(piece.size)});
        seal = CombineCrc32(seal, crc, piece.size);
    }
    return seal;
}

OutputTarget ResolvedOutput(const std::string& outputPath, const std::string& projectPath)
{
    const std::string inputs[] = {projectPath};
    OutputTarget target = ResolveOutput(outputPath, inputs);
    if (target.refusal == OutputRefusal::CannotResolve) // a missing folder, no permission, ...
        throw CompileFailure{u"无法写入输出文件“" + LocalName(outputPath) + u"”：" + Utf16(target.detail)};
    if (target.refusal != OutputRefusal::None)
        throw CompileFailure{u"输出文件“" + LocalName(outputPath) + u"”" + DescribeOutputRefusal(target)};
    return target;
}

} // namespace

void CompileProject::CheckOutput(const std::string& outputPath, const std::string& projectPath)
{
    ResolvedOutput(outputPath, projectPath);
}

void CompileProject::WriteOutput(const std::string& path)
{
    // Written beside the target (or the file a link leads to) and renamed
    // over it only when complete, so a failed compile never leaves a
    // half-written file and never replaces a device or a FIFO. It is not
    // waited onto the disk: a compile can be run again, and the seal tells
    // a file damaged by a power cut.
    const OutputTarget target = ResolvedOutput(path, m_projectPath);
    // Cached frames are checked as they are copied. When one turns out
    // damaged, the frames of its image file are made anew and the file is
    // written again; each round leaves fewer cached frames, so this ends.
    std::set<FrameOfPicture> damaged;
    while (!WriteOutputOnce(target, path, damaged)) {
        m_doc->RemakeFrames(damaged);
        damaged.clear();
    }
}

bool CompileProject::WriteOutputOnce(const OutputTarget& target, const std::string& path,
                                     std::set<FrameOfPicture>& damaged)
{
    CompileDocument& doc = *m_doc;
    FileHeader header = doc.header;
    header.kind = FileHeader::kCompiledKind;
    header.crc = 0;
    std::array<uint8_t, FileHeader::kSize> head = header.Bytes();
    std::vector<std::array<uint8_t, kPictureHeadSize>> blockHeads;
    const std::vector<Piece> pieces = FilePieces(doc, head.data(), blockHeads);
    StoreLE32(head.data() + kSealOffset, SealPieces(pieces));

    ReplacingWriter writer(target, Durability::Remakeable);
    writer.KeepReplacedOpen();
    int error = 0;
    bool written = writer.Open(&error);
    uint64_t at = 0;
    for (const Piece& piece : pieces) {
        if (!written)
            break;
        if (piece.cached) {
            const CachedBytes::Copy copy = piece.cached->CopyTo(writer.Descriptor(), at, &error);
            if (copy == CachedBytes::Copy::Damaged)
                damaged.insert(piece.frame); // the rest is still copied, to find every damaged frame at once
            written = copy != CachedBytes::Copy::WriteFailed;
        } else if (piece.storeAt != PicturePoolEntry::kNoFrame) {
            written = doc.frames.CopyTo(writer.Descriptor(), piece.storeAt, piece.size, at, &error);
        } else {
            written = WriteAllAt(writer.Descriptor(), piece.data, size_t(piece.size), at, &error);
        }
        at += piece.size;
    }
    if (written && !damaged.empty())
        return false; // the temporary file is removed with the writer
    if (!written || !writer.Commit(&error))
        throw CompileFailure{u"无法写入输出文件“" + LocalName(path) + u"”：" + DescribeWriteError(error)};
    m_replacedOutput = writer.TakeReplaced();
    return true;
}

size_t CompileProject::MemoryImageSize() const { return size_t(m_doc->ImageSize()); }

} // namespace kdx
