#include "tests/support/SampleFiles.h"

#include "common/Archive.h"
#include "common/Cp936.h"
#include "common/FileHeader.h"

#include <fstream>
#include <functional>
#include <iterator>

namespace kdx::test {
namespace {

class Builder {
public:
    explicit Builder(bool eightBit) : m_eightBit(eightBit) {}
    ArchiveWriter out;

    void Str(std::u16string_view text)
    {
        if (!m_eightBit) {
            out.String(text);
            return;
        }
        std::string bytes = EncodeCp936(text);
        if (bytes.size() < 0xFF) {
            out.U8(uint8_t(bytes.size()));
        } else {
            out.U8(0xFF);
            out.U16(uint16_t(bytes.size()));
        }
        out.Bytes({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
    }
    void Rect(int32_t l, int32_t t, int32_t r, int32_t b)
    {
        out.I32(l);
        out.I32(t);
        out.I32(r);
        out.I32(b);
    }
    void Send(const std::vector<uint8_t>& bytes, uint32_t tag)
    {
        out.Count(uint32_t(bytes.size()));
        if (!bytes.empty()) {
            out.U32(tag);
            out.Bytes(bytes);
        }
    }
    void Common(uint32_t id, uint32_t line, uint32_t fill, uint32_t jump, uint32_t cond, const std::vector<uint8_t>& send)
    {
        out.U32(id);
        out.U32(line);
        out.U32(fill);
        out.U32(jump);
        out.U32(cond);
        Rect(int32_t(id * 10), 20, int32_t(id * 10 - 5), 60); // stored flipped: kept as is
        Send(send, 0);
    }

private:
    bool m_eightBit;
};

} // namespace

std::vector<uint8_t> SampleProject(bool variant)
{
    Builder b(variant);
    FileHeader header;
    header.colorDepth = 24;
    header.width = 800;
    header.height = 480;
    header.hardwareId = 0x00C0FFEE;
    header.reserved[5] = 7;
    header.SetRemark(u"工程备注 remark");
    b.out.Bytes(header.Bytes());
    for (uint32_t v : {24u, 9u, 8u, 6u, 0x123456u, 0xABCDEFu})
        b.out.U32(v);

    const std::vector<uint8_t> shortSend = {0x01, 0x02, 0x03};
    std::vector<uint8_t> longSend(65535);
    for (size_t i = 0; i < longSend.size(); ++i)
        longSend[i] = uint8_t(i * 7);

    using Obj = std::function<void()>;
    auto page = [&](uint32_t id, std::u16string_view name, uint32_t bg, std::u16string_view image,
                    const std::vector<uint8_t>& load, const std::vector<uint8_t>& unload,
                    const std::vector<std::pair<const char*, Obj>>& objects) {
        b.out.U32(id);
        b.Str(name);
        b.out.U32(bg);
        b.Str(image);
        b.Send(load, 0x11);
        b.Send(unload, 0x22);
        b.out.Count(uint32_t(objects.size() * (variant ? 2 : 1)));
        for (const auto& [cls, body] : objects) {
            if (variant)
                b.out.U16(0); // a null object
            b.out.ObjectTag(cls);
            body();
        }
    };

    b.out.Count(2);
    page(3, std::u16string(300, u'长'), 0x00FF00, u"missing-background.png", shortSend, longSend,
         {{"CDrawLine", [&] { b.out.U32(0x0000FF); b.Rect(100, 50, 10, 5); }},
          {"CDrawRect", [&] { b.Common(1, 0x10, 0xFFFFFFFFu, 0, 0, shortSend); }},
          {"CDrawRoundRect", [&] { b.Common(2, 0x20, 0x30, 3, 8, {}); b.out.I32(-4); }},
          {"CDrawEllipse", [&] { b.Common(3, 0xFFFFFFFF, 0x40, 0xFFFF, 15, {9}); }},
          {"CDrawText", [&] {
               b.Common(4, 0x50, 0xFFFFFFFF, 0, 0, {});
               for (uint32_t v : {7u, 0u, 0xFFFFFFFFu, 2u})
                   b.out.U32(v);
               std::u16string text = u"中文\t第一行\r\n第二\n行";
               text.push_back(u'\0');
               b.out.Count(uint32_t(text.size() * 2));
               for (char16_t c : text)
                   b.out.U16(uint16_t(c));
           }},
          {"CDrawImage", [&] {
               b.Common(5, 0xFFFFFFFF, 0xFFFFFFFF, 0, 1, shortSend);
               b.out.U32(0xFFFFFFFF);
               b.Str(u"normal.png");
               b.out.U32(0xFFFFFFFF);
               b.Str(u"");
           }},
          {"CDrawCustom", [&] { b.Common(6, 0xFFFFFFFF, 0xFFFFFFFF, 0x1234, 99, {}); b.out.U32(70000); }},
          {"CDrawText", [&] {
               b.Common(7, 0, 0xFFFFFFFF, 0, 0, {});
               for (uint32_t v : {1u, 8u, 0u, 0u})
                   b.out.U32(v);
               b.out.Count(0); // no text
           }}});
    page(0, u"主页", 0xFFFFFFFF, u"", {}, {},
         {{"CDrawRect", [&] { b.Common(8, 1, 2, 3, 4, shortSend); }},
          {"CDrawRect", [&] { b.Common(9, 1, 2, 3, 4, {}); }}});
    std::vector<uint8_t> bytes = b.out.Data();
    SealBytes(bytes);
    return bytes;
}

std::vector<uint8_t> SealedProject(const std::vector<uint8_t>& rest, uint32_t depth)
{
    FileHeader header;
    header.colorDepth = depth;
    ArchiveWriter out;
    out.Bytes(header.Bytes());
    for (uint32_t v : {24u, 0u, 4u, 4u, 0x808080u, 0u})
        out.U32(v);
    out.Bytes(rest);
    std::vector<uint8_t> bytes = out.Data();
    SealBytes(bytes);
    return bytes;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

} // namespace kdx::test
