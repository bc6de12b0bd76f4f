// "kdx dump FILE.kdpbin": a readable listing of a compiled file, with every
// relocated offset followed to what it points at.
#include "cli/Command.h"

#include "common/ByteOrder.h"
#include "common/Cp936.h"
#include "common/Crc32.h"
#include "common/FileHeader.h"
#include "terminal/MemoryImageLayout.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

namespace kdx::cli {
namespace {

using namespace image_layout;

// The memory image with bounds-checked reads: a damaged file must list, not crash.
struct Image {
    const uint8_t* data;
    size_t size;
    bool Has(size_t offset, size_t n) const { return offset <= size && n <= size - offset; }
    uint8_t U8(size_t o) const { return Has(o, 1) ? data[o] : 0; }
    uint16_t U16(size_t o) const { return Has(o, 2) ? LoadLE16(data + o) : 0; }
    uint32_t U32(size_t o) const { return Has(o, 4) ? LoadLE32(data + o) : 0; }
};

std::string Format(const char* format, auto... args)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

void Print(const std::string& line) { std::fwrite(line.data(), 1, line.size(), stdout); }
// Shows line ends and zeros of a text visibly and prints it as UTF-8.
void PrintEscaped(const std::u16string& text)
{
    std::u16string out;
    for (char16_t c : text) {
        if (c == u'\n')
            out += u"\\n";
        else if (c == u'\0')
            out += u"\\0";
        else
            out += c;
    }
    PrintUtf16(out);
}

const char* TypeName(uint16_t type)
{
    switch (type) {
    case kDrawColor: return "colour";
    case kDrawCustom: return "custom";
    case kDrawPicture: return "picture";
    case kDrawText: return "text";
    case kDrawLine: return "line";
    case kDrawRect: return "rect";
    case kDrawFilledRect: return "filled rect";
    case kDrawRoundRect: return "round rect";
    case kDrawFilledRoundRect: return "filled round rect";
    case kDrawEllipse: return "ellipse";
    case kDrawFilledEllipse: return "filled ellipse";
    default: return "unknown";
    }
}

class Listing {
public:
    explicit Listing(Image image) : m_image(image) {}

    void Run()
    {
        ListHeader();
        ListPages();
        ListPictures();
        ListRecords();
        ListBlocks();
    }

private:
    Image m_image;
    uint32_t m_pageCount = 0, m_pageTable = 0, m_pictureCount = 0, m_pictureTable = 0;
    std::map<uint32_t, char> m_blocks; // offset -> 'p'icture, 't'ext, 's'end

    void ListHeader()
    {
        m_pageCount = m_image.U32(kHeaderPageCount);
        m_pageTable = m_image.U32(kHeaderPageTable);
        m_pictureCount = m_image.U32(kHeaderPictureCount);
        m_pictureTable = m_image.U32(kHeaderPictureTable);
        Print(Format("memory image: %zu bytes (file offset 208)\n", m_image.size));
        Print(Format("  header size %u, screen %u x %u, %u pages at @%u, %u pictures at @%u\n",
                     m_image.U32(0), m_image.U16(kHeaderWidth), m_image.U16(kHeaderHeight), m_pageCount,
                     m_pageTable, m_pictureCount, m_pictureTable));
        if (!m_image.Has(m_pageTable, size_t(m_pageCount) * kPageEntrySize) ||
            !m_image.Has(m_pictureTable, size_t(m_pictureCount) * kPictureEntrySize)) {
            Print("  ! a table lies outside the image; listing what is inside\n");
        }
    }

    std::string SendRef(uint32_t offset)
    {
        if (offset == 0)
            return "-";
        m_blocks[offset] = 's';
        return Format("@%u (%u bytes)", offset, m_image.U16(offset));
    }

    std::string PageRef(uint16_t index) const
    {
        if (index == kNoPage)
            return "-";
        if (index >= m_pageCount)
            return Format("page %u (no such page!)", index);
        return Format("page %u (id %u)", index, m_image.U16(m_pageTable + size_t(index) * kPageEntrySize));
    }

    void ListPages()
    {
        Print("page table:\n");
        for (uint32_t i = 0; i < m_pageCount && m_image.Has(m_pageTable + size_t(i) * kPageEntrySize, kPageEntrySize); ++i) {
            const size_t e = m_pageTable + size_t(i) * kPageEntrySize;
            Print(Format("  [%u] id %u: %u records at @%u, load send %s, unload send %s\n", i, m_image.U16(e),
                         m_image.U16(e + kPageRecordCount), m_image.U32(e + kPageFirstRecord),
                         SendRef(m_image.U32(e + kPageLoadSend)).c_str(),
                         SendRef(m_image.U32(e + kPageUnloadSend)).c_str()));
        }
    }

    std::string PictureRef(uint32_t offset)
    {
        if (offset == 0)
            return "no picture";
        m_blocks[offset] = 'p';
        return Format("picture block @%u (%u x %u, %u frames)", offset, m_image.U16(offset),
                      m_image.U16(offset + 2), m_image.U8(offset + 6));
    }

    void ListPictures()
    {
        Print("picture table:\n");
        for (uint32_t i = 0; i < m_pictureCount && m_image.Has(m_pictureTable + size_t(i) * kPictureEntrySize, kPictureEntrySize); ++i) {
            const size_t e = m_pictureTable + size_t(i) * kPictureEntrySize;
            Print(Format("  [%u] index %u -> %s\n", i, m_image.U16(e), PictureRef(m_image.U32(e + 2)).c_str()));
        }
    }

    std::string TextRef(uint32_t offset)
    {
        if (offset == 0)
            return "no text";
        m_blocks[offset] = 't';
        return Format("text block @%u (font %u)", offset, m_image.U8(offset));
    }

    void ListRecord(size_t at)
    {
        const uint16_t typeField = m_image.U16(at + kRecordType);
        const uint16_t type = DrawTypeOf(typeField);
        const uint32_t value = m_image.U32(at + kRecordValue);
        if (type == kDrawColor) {
            Print(Format("    @%zu colour %02X %02X %02X %02X\n", at, value & 0xFF, (value >> 8) & 0xFF,
                         (value >> 16) & 0xFF, value >> 24));
            return;
        }
        // The terminal takes coordinates as signed 16-bit values.
        auto coordinate = [&](size_t o) { return int(int16_t(m_image.U16(at + o))); };
        std::string line = Format("    @%zu %s (%d,%d)-(%d,%d) condition %u, jump %s, send %s", at, TypeName(type),
                                  coordinate(12), coordinate(14), coordinate(16), coordinate(18), typeField >> 12, PageRef(m_image.U16(at + kRecordJump)).c_str(),
                                  SendRef(m_image.U32(at + kRecordSend)).c_str());
        if (type == kDrawPicture)
            line += ", " + PictureRef(value);
        else if (type == kDrawText)
            line += ", " + TextRef(value);
        else if (type == kDrawCustom)
            line += Format(", custom id %u", value);
        else if (type == kDrawRoundRect || type == kDrawFilledRoundRect)
            line += Format(", radius %u", value);
        Print(line + "\n");
    }

    void ListRecords()
    {
        for (uint32_t i = 0; i < m_pageCount; ++i) {
            const size_t e = m_pageTable + size_t(i) * kPageEntrySize;
            if (!m_image.Has(e, kPageEntrySize))
                break;
            const uint32_t first = m_image.U32(e + kPageFirstRecord);
            const uint16_t count = m_image.U16(e + kPageRecordCount);
            Print(Format("records of page %u (id %u):\n", i, m_image.U16(e)));
            for (uint32_t r = 0; r < count; ++r) {
                const size_t at = first + size_t(r) * kRecordSize;
                if (!m_image.Has(at, kRecordSize)) {
                    Print("    ! records run past the end of the image\n");
                    break;
                }
                ListRecord(at);
            }
        }
    }

    void ListBlocks()
    {
        Print("blocks:\n");
        for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
            const uint32_t at = it->first;
            const auto next = std::next(it);
            const size_t end = std::min<size_t>(next == m_blocks.end() ? m_image.size : next->first, m_image.size);
            if (!m_image.Has(at, 3)) {
                Print(Format("  @%u ! outside the image\n", at));
                continue;
            }
            if (it->second == 'p') {
                const uint32_t w = m_image.U16(at), h = m_image.U16(at + 2), depth = m_image.U8(at + 5);
                const uint32_t frames = m_image.U8(at + 6);
                const size_t frame = size_t(w) * h * (depth == 16 ? 2 : 3);
                Print(Format("  @%u picture %u x %u, depth %u, %u frames of %zu bytes, block %zu bytes%s\n", at, w,
                             h, depth, frames, frame, kPictureHeadSize + frames * (4 + frame),
                             m_image.Has(at, kPictureHeadSize + frames * (4 + frame)) ? "" : " ! truncated"));
            } else if (it->second == 't') {
                std::string bytes(reinterpret_cast<const char*>(m_image.data) + at + kTextHeadSize,
                                  end > at + kTextHeadSize ? end - at - kTextHeadSize : 0);
                Print(Format("  @%u text font %u, character spacing %u, line spacing %u: \"", at, m_image.U8(at),
                             m_image.U8(at + 1), m_image.U8(at + 2)));
                PrintEscaped(DecodeCp936(bytes));
                Print("\"\n");
            } else {
                const uint16_t length = m_image.U16(at);
                std::string line = Format("  @%u send %u bytes, tag 0x%02X:", at, length, m_image.U8(at + 2));
                for (size_t i = 0; i < length && i < 32 && m_image.Has(at + 3 + i, 1); ++i)
                    line += Format(" %02X", m_image.U8(at + 3 + i));
                Print(line + (length > 32 ? " ...\n" : "\n"));
            }
        }
    }
};

int DumpCompiled(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FileHeader header;
    const CompiledCheck check = CheckCompiledFile(bytes, &header);
    if (check == CompiledCheck::NotCompiled || !FileHeader::Parse(bytes)) {
        std::fprintf(stderr, "kdx dump: %s is not a compiled file\n", path.c_str());
        return 1;
    }
    header = *FileHeader::Parse(bytes);
    Print(Format("compiled file %s: %zu bytes\n", path.c_str(), bytes.size()));
    Print(Format("  version %d.%d, screen %u x %u, depth %u, hardware id %X, remark \"", header.MajorVersion(),
                 header.MinorVersion(), header.width, header.height, header.colorDepth, header.hardwareId));
    PrintEscaped(header.Remark());
    Print("\"\n");
    const uint32_t computed = ComputeFileSeal(bytes);
    Print(Format("  seal %08X: %s\n", header.crc,
                 check == CompiledCheck::Ok ? "valid" : Format("DAMAGED, computed %08X", computed).c_str()));
    Listing({bytes.data() + FileHeader::kSize, bytes.size() - FileHeader::kSize}).Run();
    std::fflush(stdout);
    return check == CompiledCheck::Ok ? 0 : 1;
}

Registrar reg(Dumper{2, DumpCompiled});

} // namespace
} // namespace kdx::cli
