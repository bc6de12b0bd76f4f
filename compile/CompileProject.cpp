#include "compile/CompileProject.h"

#include "common/Archive.h"
#include "common/ByteOrder.h"
#include "common/Cp936.h"
#include "common/Crc32.h"
#include "compile/CompileDocument.h"
#include "compile/MemoryImageLayout.h"
#include "model/FontTable.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <thread>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {

using namespace image_layout;
using compiler::CDrawObj;

namespace {

constexpr uint32_t kViewSettingsSize = 24;
constexpr uint32_t kMaxCount16 = 0xFFFF;

std::u16string Utf16(const std::string& utf8) { return QString::fromStdString(utf8).toStdU16String(); }

std::u16string SystemError(int error) { return Utf16(std::strerror(error)); }

std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CompileFailure{u"无法打开工程文件“" + Utf16(path) + u"”：" + SystemError(errno)};
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    if (in.bad())
        throw CompileFailure{u"读取工程文件“" + Utf16(path) + u"”失败"};
    return bytes;
}

std::u16string PageLabel(uint32_t pageId, const std::u16string& name)
{
    return FormatText(u"页面(PID=%X)“%s”", {int64_t(pageId), std::u16string_view(name)});
}

// Turns an archive error into a description of what was being read.
[[noreturn]] void FailArchive(const CompileDocument& doc, const ArchiveError& error)
{
    const bool endsEarly = std::strstr(error.what(), "ends early") || std::strstr(error.what(), "longer than");
    throw CompileFailure{doc.readingContext + (endsEarly ? u"时工程文件意外结束" : u"时遇到无法识别的数据")};
}

void LoadObjects(ArchiveReader& in, CompileDocument& doc, CompilePage& page)
{
    const uint32_t count = in.Count();
    for (uint32_t i = 0; i < count; ++i) {
        doc.readingContext = u"读取" + PageLabel(page.pageId, page.name) +
                             FormatText(u"的第%u个对象", {int64_t(i + 1)});
        const std::string className = in.ObjectTag();
        if (className.empty())
            continue; // a null object adds nothing
        std::unique_ptr<CDrawObj> object = compiler::CreateObject(className);
        if (!object)
            throw CompileFailure{u"工程文件中有未知的对象类型“" + Utf16(className) + u"”"};
        object->Load(in, doc);
        page.objects.push_back(std::move(object));
    }
}

void LoadPage(ArchiveReader& in, CompileDocument& doc, uint32_t index)
{
    CompilePage& page = doc.pages.emplace_back();
    doc.readingContext = FormatText(u"读取第%u个页面", {int64_t(index + 1)});
    page.pageId = in.U32();
    page.name = in.String();
    doc.readingContext = u"读取" + PageLabel(page.pageId, page.name);
    const uint32_t backgroundColor = in.U32();
    const std::u16string backgroundPath = in.String();

    const compiler::Rect screen{0, 0, doc.ScreenWidth(), doc.ScreenHeight()};
    if (!backgroundPath.empty()) {
        auto background = std::make_unique<compiler::CDrawImage>();
        background->bounds = screen;
        background->pictureId = doc.RegisterPicture(backgroundPath, u"", screen.right, screen.bottom);
        page.objects.push_back(std::move(background));
    } else if (backgroundColor != compiler::kNoColor) {
        auto background = std::make_unique<compiler::CDrawRect>();
        background->bounds = screen;
        background->fillColor = backgroundColor;
        page.objects.push_back(std::move(background));
    }

    std::optional<uint32_t> loadSend = doc.ReadSendData(in);
    if (!loadSend)
        doc.reporter.FailFormatted(u"*(PID=%X)“%s”读取页面的“加卸数据”错误(双击定位)\r\n",
                                   {int64_t(page.pageId), std::u16string_view(page.name)});
    page.loadSend = *loadSend;
    std::optional<uint32_t> unloadSend = doc.ReadSendData(in);
    if (!unloadSend)
        doc.reporter.FailFormatted(u"*(PID=%X)“%s”读取页面的“卸载数据”错误(双击定位)\r\n",
                                   {int64_t(page.pageId), std::u16string_view(page.name)});
    page.unloadSend = *unloadSend;
    LoadObjects(in, doc, page);
}

void CheckHeader(CompileReporter& reporter, std::span<const uint8_t> file, FileHeader& header)
{
    switch (CheckProjectFile(file, &header)) {
    case ProjectCheck::Ok: break;
    case ProjectCheck::NotProject: reporter.Fail(u"*不是KDX触摸工程文件\r\n");
    case ProjectCheck::BadVersion: reporter.Fail(u"*版本不正确，无法读取该文件\r\n");
    case ProjectCheck::Damaged: reporter.Fail(u"*文件已经损坏\r\n");
    case ProjectCheck::BadDepth: reporter.Fail(u"*不支持的屏幕色深\r\n");
    }
    const std::u16string remark = header.Remark();
    reporter.EmitFormatted(
        u">文件校验完毕（软件版本：%d.%d；硬件标识：%X；屏幕分辨率：%d x %d；屏幕色深：%d；工程备注：%s）\r\n",
        {int64_t(header.MajorVersion()), int64_t(header.MinorVersion()), int64_t(header.hardwareId),
         int64_t(header.width), int64_t(header.height), int64_t(header.colorDepth),
         std::u16string_view(remark)});
}

} // namespace

CompileProject::CompileProject(CompileReporter& reporter)
    : m_reporter(reporter), m_doc(std::make_unique<CompileDocument>(reporter))
{
#if defined(__GLIBC__)
    // Pixel frames and decoded images are allocated and freed all through a
    // compile. glibc's adaptive threshold would soon put such blocks on the
    // heap, which keeps freed memory; a fixed threshold maps each large block
    // on its own, so memory returns to the system as soon as it is freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

CompileProject::~CompileProject() = default;

void CompileProject::LoadProject(const std::string& path)
{
    CompileDocument& doc = *m_doc;
    const std::vector<uint8_t> file = ReadWholeFile(path);
    CheckHeader(m_reporter, file, doc.header);
    doc.projectFolder = QFileInfo(QString::fromStdString(path)).absolutePath();

    ArchiveReader in(std::span<const uint8_t>(file).subspan(FileHeader::kSize));
    try {
        doc.readingContext = u"读取工程的视图设置";
        if (in.Remaining() < kViewSettingsSize || in.U32() != kViewSettingsSize)
            m_reporter.Fail(u"*版本不正确，无法读取该文件\r\n");
        in.Bytes(kViewSettingsSize - 4);
        doc.readingContext = u"读取页面数量";
        const uint32_t pageCount = in.Count();
        for (uint32_t i = 0; i < pageCount; ++i)
            LoadPage(in, doc, i);
    } catch (const ArchiveError& error) {
        FailArchive(doc, error);
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
            m_reporter.EmitFormatted(u"!(PID=%X)“%s”是个空页面，这是有意的吗(双击定位)\r\n",
                                     {int64_t(page.pageId), std::u16string_view(page.name)});
    }
}

void CompileProject::BuildMemoryImage()
{
    CompileDocument& doc = *m_doc;
    ImageWriter& image = doc.image;
    // Counts, indexes and record counts travel in 16-bit fields.
    if (doc.pages.size() > kMaxCount16) {
        const CompilePage& page = doc.pages[kMaxCount16];
        m_reporter.FailFormatted(u"*(PID=%X)“%s”超出了终端最多65535个页面的限制(双击定位)\r\n",
                                 {int64_t(page.pageId), std::u16string_view(page.name)});
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
        page.currentColor = compiler::kNoColor;
        page.recordCount = 0;
        for (auto& object : page.objects)
            object->Compile(doc, page);
        if (page.recordCount > kMaxCount16)
            m_reporter.FailFormatted(u"*(PID=%X)“%s”的绘图记录超出了终端最多65535条的限制(双击定位)\r\n",
                                     {int64_t(page.pageId), std::u16string_view(page.name)});
        page.firstRecord = page.recordCount ? uint32_t(start) : 0;
    }

    for (const auto& picture : doc.picturePool.Entries()) {
        picture->offset = uint32_t(image.Size());
        uint8_t blockHead[kPictureHeadSize] = {};
        StoreLE16(blockHead, uint16_t(picture->width));
        StoreLE16(blockHead + 2, uint16_t(picture->height));
        blockHead[5] = picture->depth;
        blockHead[6] = uint8_t(picture->FrameCount());
        image.Append(blockHead, sizeof blockHead);
        for (QByteArray* frame : {&picture->normalFrame, &picture->pressedFrame}) {
            if (frame->isEmpty())
                continue;
            image.AppendU32(0); // key colour: none
            image.Append(frame->constData(), size_t(frame->size()));
            *frame = QByteArray(); // the image holds the pixels now
        }
    }

    for (const auto& text : doc.textPool.Entries()) {
        text->offset = uint32_t(image.Size());
        if (!FindTerminalFont(text->fontId))
            m_reporter.Fail(u"*不支持的字体\r\n");
        const uint8_t blockHead[kTextHeadSize] = {uint8_t(text->fontId), uint8_t(text->charSpacing),
                                                  uint8_t(text->lineSpacing)};
        image.Append(blockHead, sizeof blockHead);
        const std::string encoded = EncodeCp936(text->text);
        image.Append(encoded.data(), encoded.size());
    }

    for (const auto& send : doc.sendPool.Entries()) {
        send->offset = uint32_t(image.Size());
        image.AppendU16(uint16_t(send->bytes.size()));
        image.AppendU8(uint8_t(send->tag));
        image.Append(send->bytes);
    }

    if (image.Size() > 0xFFFFFFFFu)
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
        if (id == kNoPage || found == pageById.end())
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
        const SendDataEntry* send = doc.sendPool.Find(id);
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
        if (target == kNoPage)
            return;
        auto found = indexById.find(target);
        if (found == indexById.end())
            failPage();
        image.StoreU16(record + kRecordJump, found->second);
    });
}

void CompileProject::WriteOutput(const std::string& path)
{
    CompileDocument& doc = *m_doc;
    FileHeader header = doc.header;
    header.kind = FileHeader::kCompiledKind;
    header.crc = 0;
    const std::array<uint8_t, FileHeader::kSize> head = header.Bytes();

    // The seal is computed on a second thread while the same bytes are
    // written; it only reads the finished image.
    uint32_t seal = 0;
    std::thread sealer([&] {
        Crc32 crc;
        crc.Update(head.data(), kSealOffset);
        crc.Update(head.data() + kSealOffset + 4, head.size() - kSealOffset - 4);
        crc.Update(doc.image.Bytes());
        seal = crc.Value();
    });

    // Written beside the target and renamed over it only when complete, so a
    // failed compile never leaves a half-written file.
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    int error = fd < 0 ? errno : 0;
    auto writeAll = [&](const uint8_t* data, size_t size, off_t at) {
        while (size > 0) {
            const ssize_t n = ::pwrite(fd, data, size, at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : EIO;
                return false;
            }
            data += n;
            size -= size_t(n);
            at += n;
        }
        return true;
    };
    const mode_t mask = umask(0);
    umask(mask);
    bool written = fd >= 0;
    if (written && fchmod(fd, 0666 & ~mask) != 0) {
        error = errno;
        written = false;
    }
    written = written && writeAll(head.data(), head.size(), 0) &&
              writeAll(doc.image.Data(), doc.image.Size(), off_t(head.size()));
    sealer.join();
    uint8_t sealBytes[4];
    StoreLE32(sealBytes, seal);
    written = written && writeAll(sealBytes, 4, off_t(kSealOffset));
    if (fd >= 0 && ::close(fd) != 0 && written) {
        error = errno;
        written = false;
    }
    if (written && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = errno;
        written = false;
    }
    if (!written) {
        if (fd >= 0)
            ::unlink(temp.c_str());
        throw CompileFailure{u"无法写入输出文件“" + Utf16(path) + u"”：" + SystemError(error)};
    }
}

size_t CompileProject::MemoryImageSize() const { return m_doc->image.Size(); }

} // namespace kdx
