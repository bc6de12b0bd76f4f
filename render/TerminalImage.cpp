#include "render/TerminalImage.h"

#include "common/Cp936.h"
#include "common/FileHeader.h"
#include "terminal/ColorDepth.h"
#include "terminal/MemoryImageLayout.h"
#include "common/LocalPath.h"
#include "common/RegularFile.h"
#include "terminal/PixelConvert.h"
#include "upload/UploadStrings.h"

#include <QFile>
#include <QFileInfo>

#include <map>
#include <stdexcept>

namespace kdx::render {

using namespace image_layout;

namespace {

// One failed check; carries the line shown to the user.
struct BadImage {
    QString message;
};

[[noreturn]] void Fail(const QString& message) { throw BadImage{message}; }

QString Hex(uint64_t value) { return QStringLiteral("0x%1").arg(value, 0, 16); }

// An uploader message without its kind marker and line end.
QString UploaderText(const QString& line)
{
    QString text = line.trimmed();
    if (text.startsWith(u'*'))
        text.remove(0, 1);
    return text;
}

} // namespace

bool Record::HasTouchBehaviour(const std::vector<Picture>& pictures) const
{
    switch (drawType) {
    case kDrawColor:
    case kDrawLine: return false;
    default: break;
    }
    if (jumpPage >= 0 || send >= 0)
        return true;
    return drawType == kDrawPicture && picture >= 0 && pictures[size_t(picture)].HasPressedFrame();
}

const QImage& Picture::Frame(int index) const
{
    Converted& converted = *m_converted;
    std::call_once(converted.once[index], [&] {
        const int bytesPerPixel = BytesPerPixel(depth);
        const qsizetype frameSize = qsizetype(width) * height * bytesPerPixel;
        const QByteArray raw = QByteArray::fromRawData(reinterpret_cast<const char*>(m_bytes->data() + m_frameAt[index]),
                                                       frameSize);
        converted.frame[index] = PixelsToImage(raw, width, height, depth).convertToFormat(QImage::Format_RGB32);
    });
    return converted.frame[index];
}

// Walks the memory image once, checking every count and offset against the
// image's size before reading what it points at.
class ImageReader {
public:
    // 'bytes' holds the memory image from 'start' on.
    ImageReader(std::shared_ptr<const std::vector<uint8_t>> bytes, size_t start, int depth, TerminalImage& out)
        : m_owner(std::move(bytes)), m_bytes(std::span(*m_owner).subspan(start)), m_start(start), m_out(out)
    {
        m_out.m_depth = depth;
    }

    void Read()
    {
        Need(0, kHeaderSize, QStringLiteral("内存影像头不完整（共%1字节）").arg(m_bytes.size()));
        m_out.m_width = U16(kHeaderWidth);
        m_out.m_height = U16(kHeaderHeight);
        if (m_out.m_width < 1 || m_out.m_height < 1 || m_out.m_width > kMaxScreenSide ||
            m_out.m_height > kMaxScreenSide)
            Fail(QStringLiteral("屏幕分辨率无效（%1 x %2）").arg(m_out.m_width).arg(m_out.m_height));
        const uint32_t pictureCount = U32(kHeaderPictureCount);
        const uint32_t pictureTable = U32(kHeaderPictureTable);
        ReadPictureTable(pictureCount, pictureTable);
        // Colour records depend on the depth, which the pictures tell.
        if (!m_out.m_pictures.empty())
            m_out.m_depth = m_out.m_pictures.front().depth;
        ReadPages(U32(kHeaderPageCount), U32(kHeaderPageTable));
    }

private:
    void Need(uint64_t offset, uint64_t size, const QString& what) const
    {
        if (offset > m_bytes.size() || size > m_bytes.size() - offset)
            Fail(what);
    }
    uint8_t U8(size_t at) const { return m_bytes[at]; }
    uint16_t U16(size_t at) const { return uint16_t(m_bytes[at] | m_bytes[at + 1] << 8); }
    uint32_t U32(size_t at) const { return uint32_t(U16(at)) | uint32_t(U16(at + 2)) << 16; }

    void ReadPictureTable(uint32_t count, uint32_t table)
    {
        if (count == 0)
            return;
        if (count > 0xFFFF)
            Fail(QStringLiteral("图片数%1超出范围").arg(count));
        Need(table, uint64_t(count) * kPictureEntrySize,
             QStringLiteral("图片表（偏移%1，%2项）超出文件范围").arg(Hex(table)).arg(count));
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t offset = U32(table + i * kPictureEntrySize + 2);
            if (offset != 0)
                PictureAt(offset);
        }
    }

    void ReadPages(uint32_t count, uint32_t table)
    {
        if (count == 0)
            return;
        if (count > 0xFFFF)
            Fail(QStringLiteral("页面数%1超出范围").arg(count));
        Need(table, uint64_t(count) * kPageEntrySize,
             QStringLiteral("页面表（偏移%1，%2项）超出文件范围").arg(Hex(table)).arg(count));
        m_out.m_pages.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = table + i * kPageEntrySize;
            Page& page = m_out.m_pages[i];
            page.id = U16(entry + kPageId);
            page.loadSend = SendAt(U32(entry + kPageLoadSend), i, -1);
            page.unloadSend = SendAt(U32(entry + kPageUnloadSend), i, -1);
        }
        for (uint32_t i = 0; i < count; ++i) {
            const size_t entry = table + i * kPageEntrySize;
            ReadRecords(i, U16(entry + kPageRecordCount), U32(entry + kPageFirstRecord));
        }
    }

    void ReadRecords(uint32_t pageIndex, uint16_t count, uint32_t first)
    {
        if (count == 0)
            return;
        Need(first, uint64_t(count) * kRecordSize,
             QStringLiteral("第%1页的绘图记录（偏移%2，%3条）超出文件范围").arg(pageIndex + 1).arg(Hex(first)).arg(count));
        std::vector<Record>& records = m_out.m_pages[pageIndex].records;
        records.resize(count);
        for (uint32_t k = 0; k < count; ++k)
            ReadRecord(pageIndex, k, first + k * kRecordSize, records[k]);
    }

    void ReadRecord(uint32_t pageIndex, uint32_t index, size_t at, Record& r)
    {
        auto where = [&] { return QStringLiteral("第%1页第%2条绘图记录").arg(pageIndex + 1).arg(index + 1); };
        const uint16_t typeField = U16(at + kRecordType);
        r.drawType = DrawTypeOf(typeField);
        r.condition = typeField >> 12;
        r.value = U32(at + kRecordValue);
        r.left = int16_t(U16(at + kRecordRect));
        r.top = int16_t(U16(at + kRecordRect + 2));
        r.right = int16_t(U16(at + kRecordRect + 4));
        r.bottom = int16_t(U16(at + kRecordRect + 6));
        switch (r.drawType) {
        case kDrawColor: r.color = ShownRecordColor(r.value, m_out.m_depth); return;
        case kDrawLine: return;
        case kDrawCustom:
        case kDrawRect:
        case kDrawFilledRect:
        case kDrawRoundRect:
        case kDrawFilledRoundRect:
        case kDrawEllipse:
        case kDrawFilledEllipse: break;
        case kDrawPicture:
            if (r.value != 0)
                r.picture = PictureAt(r.value);
            break;
        case kDrawText:
            if (r.value != 0)
                r.text = TextAt(r.value);
            break;
        default: Fail(QStringLiteral("%1：未知的绘图类型%2").arg(where()).arg(r.drawType));
        }
        const uint16_t jump = U16(at + kRecordJump);
        if (jump != kNoPage) {
            if (jump >= m_out.m_pages.size())
                Fail(QStringLiteral("%1：跳转目标页%2不存在").arg(where()).arg(jump));
            r.jumpPage = jump;
        }
        r.send = SendAt(U32(at + kRecordSend), pageIndex, int(index));
    }

    int SendAt(uint32_t offset, uint32_t pageIndex, int recordIndex)
    {
        if (offset == 0)
            return -1;
        if (auto it = m_sendIndex.find(offset); it != m_sendIndex.end())
            return it->second;
        const QString where = recordIndex < 0
                                  ? QStringLiteral("第%1页的发送数据").arg(pageIndex + 1)
                                  : QStringLiteral("第%1页第%2条绘图记录的发送数据").arg(pageIndex + 1).arg(recordIndex + 1);
        const QString named = QStringLiteral("%1（偏移%2）").arg(where, Hex(offset));
        const QString bad = named + QStringLiteral("超出文件范围");
        Need(offset, kSendHeadSize, bad);
        const uint16_t length = U16(offset);
        Need(offset + kSendHeadSize, length, bad);
        Claim(offset, kSendHeadSize + length, named);
        SendBlock block;
        block.offset = offset;
        block.tag = U8(offset + 2);
        block.bytes = QByteArray(reinterpret_cast<const char*>(&m_bytes[offset + kSendHeadSize]), length);
        m_out.m_sends.push_back(std::move(block));
        return m_sendIndex[offset] = int(m_out.m_sends.size() - 1);
    }

    int PictureAt(uint32_t offset)
    {
        if (auto it = m_pictureIndex.find(offset); it != m_pictureIndex.end())
            return it->second;
        const QString block = QStringLiteral("图片块（偏移%1）").arg(Hex(offset));
        const QString bad = block + QStringLiteral("无效");
        Need(offset, kPictureHeadSize, bad);
        Picture picture;
        picture.width = U16(offset);
        picture.height = U16(offset + 2);
        picture.depth = U8(offset + 5);
        const int frames = U8(offset + 6);
        const int bytesPerPixel = BytesPerPixel(picture.depth);
        if (picture.width < 1 || picture.height < 1 || bytesPerPixel == 0 || frames < 1 || frames > 2)
            Fail(bad);
        if (!m_out.m_pictures.empty() && picture.depth != m_out.m_pictures.front().depth)
            Fail(QStringLiteral("图片块（偏移%1）的色深%2与其他图片不同").arg(Hex(offset)).arg(picture.depth));
        const uint64_t frameSize = uint64_t(picture.width) * picture.height * uint64_t(bytesPerPixel);
        Need(offset + kPictureHeadSize, uint64_t(frames) * (4 + frameSize), bad);
        Claim(offset, kPictureHeadSize + uint64_t(frames) * (4 + frameSize), block);
        picture.m_bytes = m_owner;
        picture.m_frameCount = frames;
        size_t at = offset + kPictureHeadSize;
        for (int f = 0; f < frames; ++f) {
            at += 4; // key colour
            picture.m_frameAt[f] = m_start + at;
            at += frameSize;
        }
        m_out.m_pictures.push_back(std::move(picture));
        return m_pictureIndex[offset] = int(m_out.m_pictures.size() - 1);
    }

    int TextAt(uint32_t offset)
    {
        if (auto it = m_textIndex.find(offset); it != m_textIndex.end())
            return it->second;
        const QString block = QStringLiteral("文本块（偏移%1）").arg(Hex(offset));
        const QString bad = block + QStringLiteral("无效");
        Need(offset, kTextHeadSize, bad);
        Text text;
        text.font = FindTerminalFont(U8(offset));
        if (!text.font)
            Fail(QStringLiteral("文本块（偏移%1）使用了不支持的字体%2").arg(Hex(offset)).arg(U8(offset)));
        text.charSpacing = U8(offset + 1);
        text.lineSpacing = U8(offset + 2);
        const size_t start = offset + kTextHeadSize;
        size_t end = start;
        while (end < m_bytes.size() && m_bytes[end] != 0)
            ++end;
        if (end == m_bytes.size())
            Fail(QStringLiteral("文本块（偏移%1）没有结束符").arg(Hex(offset)));
        Claim(offset, end + 1 - offset, block);
        text.text = DecodeCp936(std::string_view(reinterpret_cast<const char*>(&m_bytes[start]), end - start));
        m_out.m_texts.push_back(std::move(text));
        return m_textIndex[offset] = int(m_out.m_texts.size() - 1);
    }

    // Records the bytes of a data block as used. The compiler stores every
    // picture, text and send block once, side by side; blocks that share
    // bytes only come from a damaged or crafted file, and decoding them
    // each would cost far more memory than the file holds.
    void Claim(uint64_t offset, uint64_t size, const QString& block)
    {
        const uint64_t end = offset + size;
        const auto next = m_claimed.lower_bound(offset);
        const bool overlaps = (next != m_claimed.end() && next->first < end) ||
                              (next != m_claimed.begin() && std::prev(next)->second > offset);
        if (overlaps)
            Fail(block + QStringLiteral("与其他数据块重叠"));
        m_claimed.emplace(offset, end);
    }

    std::shared_ptr<const std::vector<uint8_t>> m_owner;
    std::span<const uint8_t> m_bytes;
    size_t m_start = 0;
    TerminalImage& m_out;
    std::map<uint64_t, uint64_t> m_claimed; // start -> end of every block read
    std::map<uint32_t, int> m_sendIndex, m_pictureIndex, m_textIndex;
};

namespace {

using SharedBytes = std::shared_ptr<const std::vector<uint8_t>>;

std::nullptr_t OutOfMemory(QString* error)
{
    if (error)
        *error = QStringLiteral("内存不足");
    return nullptr;
}

std::shared_ptr<const TerminalImage> ReadMemoryImage(SharedBytes bytes, size_t start, int depth, QString* error)
{
    auto result = std::make_shared<TerminalImage>();
    try {
        ImageReader(std::move(bytes), start, depth, *result).Read();
    } catch (const BadImage& bad) {
        if (error)
            *error = bad.message;
        return nullptr;
    } catch (const std::bad_alloc&) {
        return OutOfMemory(error);
    }
    return result;
}

std::shared_ptr<const TerminalImage> ReadCompiledFile(SharedBytes file, QString* error)
{
    // The same checks, in the same order and with the same texts, as the
    // uploader makes before it sends a file.
    FileHeader header;
    switch (CheckCompiledFile(*file, &header)) {
    case CompiledCheck::Ok: break;
    case CompiledCheck::NotCompiled:
        if (error)
            *error = UploaderText(upload::LoadString(upload::IDS_NOT_COMPILED));
        return nullptr;
    case CompiledCheck::Damaged:
        if (error)
            *error = UploaderText(upload::LoadString(upload::IDS_FILE_DAMAGED));
        return nullptr;
    }
    return ReadMemoryImage(std::move(file), FileHeader::kSize, int(header.colorDepth), error);
}

// A copy the image can keep, as its pictures are converted from it later;
// null when there is no memory for it.
SharedBytes KeptCopy(std::span<const uint8_t> bytes)
{
    try {
        return std::make_shared<const std::vector<uint8_t>>(bytes.begin(), bytes.end());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

std::shared_ptr<const TerminalImage> TerminalImage::FromMemoryImage(std::span<const uint8_t> image, int depth,
                                                                    QString* error)
{
    SharedBytes bytes = KeptCopy(image);
    return bytes ? ReadMemoryImage(std::move(bytes), 0, depth, error) : OutOfMemory(error);
}

std::shared_ptr<const TerminalImage> TerminalImage::FromCompiledFile(std::span<const uint8_t> file, QString* error)
{
    SharedBytes bytes = KeptCopy(file);
    return bytes ? ReadCompiledFile(std::move(bytes), error) : OutOfMemory(error);
}

std::shared_ptr<const TerminalImage> TerminalImage::LoadFile(const QString& path, QString* error)
{
    // Only a regular file is read: a FIFO would block and a device never end.
    FileReadResult file = ReadRegularFile(Utf16ToLocalPath(path.toStdU16String()));
    switch (file.error) {
    case FileReadError::None: break;
    case FileReadError::CannotOpen:
    case FileReadError::NotRegular:
        if (error)
            *error = QStringLiteral("无法打开文件“%1”：%2").arg(path, FileReadReason(file));
        return nullptr;
    case FileReadError::TooLarge:
        if (error)
            *error = UploaderText(upload::FormatString(upload::IDS_FILE_TOO_BIG,
                                                       (unsigned long long)(QFileInfo(path).size() / 1024)));
        return nullptr;
    case FileReadError::ReadFailed:
    case FileReadError::WrongKind:
        if (error)
            *error = UploaderText(upload::LoadString(upload::IDS_READ_FAILED));
        return nullptr;
    }
    return ReadCompiledFile(std::make_shared<const std::vector<uint8_t>>(std::move(file.bytes)), error);
}

} // namespace kdx::render
