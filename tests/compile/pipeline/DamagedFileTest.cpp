// One damaged file, read by the editor and by the compiler: the editor
// refuses it where the damage starts, while the compiler checks in file order
// what it could read before the damage and says what it finds first.
#include "tests/compile/pipeline/PipelineHarness.h"

#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "model/PageDoc.h"
#include "model/ProjectRecord.h"

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

std::string Utf8(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

// The editor's message about a file, or "" when it opens.
std::string EditorMessage(const std::vector<uint8_t>& bytes)
{
    CPageDoc doc;
    doc.SetImageDecoding(false);
    const std::optional<ProjectError> error = doc.LoadFromBytes(bytes);
    return error ? error->Text().toStdString() : std::string();
}

std::string RecordMessage(const std::vector<uint8_t>& bytes)
{
    ProjectRecord record;
    const std::optional<ProjectError> error = ReadProjectRecord(bytes, record);
    return error ? error->Text().toStdString() : std::string();
}

CompileOutcome CompileBytes(Workspace& ws, const std::vector<uint8_t>& bytes)
{
    WriteBytes(ws.Path("p.kdp"), bytes);
    return CompileFile(ws.Path("p.kdp"), ws.Path("p.kdpbin"));
}

ProjectDesc PageOf(uint32_t pageId, std::vector<ObjectDesc> objects)
{
    ProjectDesc p = Project(100, 100, 16);
    PageDesc page;
    page.pageId = pageId;
    page.name = u"P";
    page.objects = std::move(objects);
    p.pages = {page};
    return p;
}

constexpr size_t kPageCountAt = FileHeader::kSize + 24;

std::vector<uint8_t> WithPageCount(std::vector<uint8_t> bytes, uint32_t count)
{
    StoreLE32(bytes.data() + kPageCountAt, count);
    SealBytes(bytes);
    return bytes;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

} // namespace

TEST(DamagedFile, CountBeyondTheBytes)
{
    Workspace ws;
    // The page count claims more pages than the file can hold: the editor
    // refuses the count itself, the compiler reads on until the bytes end.
    const std::vector<uint8_t> plain = WithPageCount(BuildProjectFile(PageOf(7, {})), 1000);
    EXPECT_EQ(EditorMessage(plain), "无法读取工程文件的内容：页面数量：数量超出文件大小（too many pages (1000) for the file）");
    EXPECT_EQ(RecordMessage(plain), "无法读取工程文件的内容：数量超出文件大小（too many pages (1000) for the file）");
    EXPECT_EQ(Utf8(CompileBytes(ws, plain).failure), "读取第2个页面时工程文件意外结束");

    // What the compiler finds in the pages before the end comes first.
    const std::vector<uint8_t> badId = WithPageCount(BuildProjectFile(PageOf(0x10000, {})), 1000);
    EXPECT_TRUE(StartsWith(EditorMessage(badId), "无法读取工程文件的内容：页面数量："));
    EXPECT_EQ(Utf8(CompileBytes(ws, badId).Last()), "*(PID=10000)“P”页面标识超出范围（最大为FFFF）(双击定位)\r\n");
}

TEST(DamagedFile, SendDataLongerThanTheTerminalTakes)
{
    Workspace ws;
    ProjectDesc p = PageOf(7, {Shape("CDrawRect", 1, 0, 0, 10, 10)});
    p.pages[0].loadSend = SendDesc{3, std::vector<uint8_t>(70000, 0x5A)};
    const std::vector<uint8_t> bytes = BuildProjectFile(p);
    EXPECT_TRUE(StartsWith(EditorMessage(bytes), "无法读取工程文件的内容：第 1 页（共 1 页）：发送数据超过65535字节（"))
        << EditorMessage(bytes);
    EXPECT_TRUE(StartsWith(RecordMessage(bytes), "无法读取工程文件的内容：第 1 页：发送数据超过65535字节（"));

    // The compiler takes the block and cuts it to the terminal's 16-bit length.
    const CompileOutcome out = CompileBytes(ws, bytes);
    ASSERT_TRUE(out.written) << Utf8(out.failure);
    const std::vector<uint8_t> image = out.Image();
    ASSERT_GE(image.size(), 65535u + 3u);
    const size_t block = image.size() - 65535 - 3;
    EXPECT_EQ(LoadLE16(image.data() + block), 0xFFFF);
    EXPECT_EQ(image[block + 2], 3);
}

TEST(DamagedFile, ChecksBeforeTheDamageComeFirst)
{
    Workspace ws;
    // The first object lies beyond the terminal's coordinates; the second is cut.
    std::vector<uint8_t> bytes =
        BuildProjectFile(PageOf(7, {Shape("CDrawRect", 1, -40000, 0, 10, 10), Shape("CDrawCustom", 2, 0, 0, 5, 5)}));
    bytes.pop_back();
    SealBytes(bytes);
    EXPECT_TRUE(StartsWith(EditorMessage(bytes), "无法读取工程文件的内容：第 1 页（共 1 页）第 2 个对象（共 2 个）：文件意外结束（"))
        << EditorMessage(bytes);
    EXPECT_TRUE(StartsWith(RecordMessage(bytes), "无法读取工程文件的内容：第 1 页：文件意外结束（"));
    EXPECT_EQ(Utf8(CompileBytes(ws, bytes).Last()),
              "*(IID=1)对象的坐标超出终端所能表示的范围（-32768～32767）(双击定位)\r\n");

    // Without the first object's fault the damage itself is reported.
    bytes = BuildProjectFile(PageOf(7, {Shape("CDrawRect", 1, 0, 0, 10, 10), Shape("CDrawCustom", 2, 0, 0, 5, 5)}));
    bytes.pop_back();
    SealBytes(bytes);
    EXPECT_EQ(Utf8(CompileBytes(ws, bytes).failure), "读取页面(PID=7)“P”的第2个对象时工程文件意外结束");
}

} // namespace kdx::testing
