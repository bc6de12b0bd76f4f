#include "tests/support/SampleFiles.h"

#include "model/PageDoc.h"
#include "model/ProjectText.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::test;

namespace {

using Bytes = std::vector<uint8_t>;

QByteArray ToText(const Bytes& file)
{
    ProjectRecord record;
    std::optional<ProjectError> error = ReadProjectRecord(file, record);
    EXPECT_FALSE(error) << error->Text().toStdString();
    QByteArray text;
    EXPECT_FALSE(WriteProjectText(record, text));
    return text;
}

Bytes FromText(const QByteArray& text)
{
    ProjectRecord record;
    std::optional<TextFormError> error = ReadProjectText(text, record);
    EXPECT_FALSE(error) << error->Text().toStdString();
    return WriteProjectRecord(record);
}

// A project as the editor builds it: every kind of object, flipped lines,
// send data of 0, 1 and 65535 bytes, texts with every kind of break.
Bytes EditorProject()
{
    CPageDoc doc;
    doc.SetImageDecoding(false);
    doc.header.hardwareId = 0x1234ABCD;
    doc.header.SetRemark(u"备注 \"quoted\" \\ 𠀀");
    CPage* first = doc.AddPage();
    doc.SetCurrentPage(first);
    doc.SetPageBackgroundColor(first, 0x00336699);
    std::vector<uint8_t> big(kMaxSendDataBytes);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = uint8_t(i * 7);
    doc.SetPageLoadSend(first, big.data(), int(big.size()));
    const uint8_t one = 0x5A;
    doc.SetPageUnloadSend(first, &one, 1, 0xCAFEBABE);

    doc.AddObject(std::make_unique<CDrawLine>(PageRect{0, 0, 0, 0}))->SetRect({100, 50, 10, 5});
    CDrawObj* rect = doc.AddObject(std::make_unique<CDrawRect>(PageRect{1, 2, 30, 40}));
    rect->SetFillColor(0x00FF0000);
    rect->SetJumpTarget(1);
    rect->SetExecuteCondition(9);
    rect->SetSendData(big.data(), 3, 0);
    auto* round = static_cast<CDrawRoundRect*>(doc.AddObject(std::make_unique<CDrawRoundRect>(PageRect{5, 5, 50, 50})));
    round->SetRadius(12);
    doc.AddObject(std::make_unique<CDrawEllipse>(PageRect{-20, -10, 0, 0}));
    auto* text = static_cast<CDrawText*>(doc.AddObject(std::make_unique<CDrawText>(PageRect{0, 0, 200, 100})));
    text->SetFontId(3);
    text->SetTabSize(4);
    text->SetLineSpacing(2);
    text->SetCharSpacing(1);
    // Set last: a change of font or spacing places the wrap points anew.
    text->SetText(u"第一行\r\n软\n换行\t制表\r\n\"引号\" \\ 𝄞 \u0001end");
    doc.AddObject(std::make_unique<CDrawText>(PageRect{0, 0, 10, 10})); // no text

    CPage* second = doc.AddPage();
    doc.SetCurrentPage(second);
    doc.RenamePage(second, QString::fromUtf16(u"第二页 𠀀"));
    doc.SetPageBackgroundImage(second, QStringLiteral("/pictures/背景.png"));
    auto* image = static_cast<CDrawImage*>(doc.AddObject(std::make_unique<CDrawImage>(PageRect{0, 0, 64, 32})));
    image->SetNormalImage(QStringLiteral("normal.png"));
    image->SetPressedImage(QStringLiteral("C:\\old\\pressed.bmp"));
    doc.AddObject(std::make_unique<CDrawImage>(PageRect{0, 0, 8, 8}));
    doc.AddObject(std::make_unique<CDrawCustom>(PageRect{10, 10, 20, 20}));
    doc.AddObject(std::make_unique<CDrawCustom>(PageRect{10, 10, 20, 20}));
    CDrawObj* line = doc.AddObject(std::make_unique<CDrawLine>(PageRect{0, 0, 1, 1}));
    line->MoveHandleTo(1, -30, 400); // dragged past its end: a flipped line
    CPage* empty = doc.AddPage();
    (void)empty;
    return doc.SaveToBytes();
}

// The position of the first occurrence of 'needle' as 1-based line and column.
std::pair<int, int> Where(const QByteArray& text, const QByteArray& needle, int skip = 0)
{
    qsizetype at = text.indexOf(needle);
    for (int i = 0; i < skip; ++i)
        at = text.indexOf(needle, at + 1);
    const QByteArray before = text.left(at);
    const int line = int(before.count('\n')) + 1;
    const QString lastLine = QString::fromUtf8(before.mid(before.lastIndexOf('\n') + 1));
    return {line, int(lastLine.toUcs4().size()) + 1};
}

struct Refusal {
    const char* what;
    QByteArray from, to; // replaced once in the written text
    QByteArray at;       // where the error must be reported (first occurrence, after replacing)
    const char16_t* message;
    bool atEnclosingBrace = false; // reported at the "{" of the object that lacks a field
};

} // namespace

TEST(ProjectText, RoundTripsEveryFileToIdenticalBytes)
{
    std::vector<std::pair<const char*, Bytes>> files = {
        {"sample", SampleProject()},
        {"editor", EditorProject()},
        {"example", ReadFileBytes(KDX_SOURCE_DIR "/examples/demo/demo.kdp")},
        {"no pages", SealedProject({0, 0})},
    };
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        const QByteArray text = ToText(file);
        EXPECT_EQ(FromText(text), file);
        // The writer is deterministic: the text of the text is the same text.
        EXPECT_EQ(ToText(FromText(text)), text);
    }
    // Files the editor does not write normalise as the editor would.
    EXPECT_EQ(FromText(ToText(SampleProject(true))), SampleProject());
}

TEST(ProjectText, ShowsFieldsReadably)
{
    const QString text = QString::fromUtf8(ToText(EditorProject()));
    const QStringList lines = text.split(u'\n');
    for (const char16_t* expected : {
             u"  \"kdpj\": 1,",
             u"    \"hardwareId\": \"0x1234ABCD\",",
             u"    \"remark\": \"备注 \\\"quoted\\\" \\\\ 𠀀\"",
             u"      \"backgroundColor\": \"#996633\",",
             u"          \"line\": [100, 50, 10, 5]",
             u"          \"fillColor\": \"#0000FF\",",
             u"          \"jumpTarget\": null,",
             u"          \"00 07 0E 15 1C 23 2A 31 38 3F 46 4D 54 5B 62 69\",",
             u"          \"90 97 9E A5 AC B3 BA C1 C8 CF D6 DD E4 EB F2\"",
             u"        \"tag\": 3405691582,",
             u"            \"第一行\\r\\n\",",
             u"            \"软\\n\",",
             u"            \"换行\\t制表\\r\\n\",",
             u"            \"\\\"引号\\\" \\\\ 𝄞 \\u0001end\"",
             u"          \"text\": null",
             u"          \"pressedImage\": \"C:\\\\old\\\\pressed.bmp\"",
             u"      \"name\": \"第二页 𠀀\",",
         })
        EXPECT_TRUE(lines.contains(QString::fromUtf16(expected))) << QString::fromUtf16(expected).toStdString();
}

TEST(ProjectText, KeepsUnpairedSurrogatesAndOddHeaderBytes)
{
    ProjectRecord record;
    ASSERT_FALSE(ReadProjectRecord(SampleProject(), record));
    record.pages[0].name = std::u16string(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDC00);
    record.header.reserved[3] = 0x77;
    record.header.remarkRaw[100] = 0x01; // past the remark's zero unit
    record.view.reserved = 9;
    record.view.gridColor = 0x01020304;
    const Bytes file = WriteProjectRecord(record);
    const QByteArray text = ToText(file);
    EXPECT_TRUE(text.contains("\"a\\uD800b\\uDC00\"")) << text.left(2000).toStdString();
    EXPECT_TRUE(text.contains("\"gridColor\": \"#01040302\""));
    EXPECT_EQ(FromText(text), file);
}

TEST(ProjectText, RefusesBadFieldsWithTheirPosition)
{
    const QByteArray good = ToText(EditorProject());
    const Refusal refusals[] = {
        {"missing field", "          \"fillColor\": \"#0000FF\",\n", "", "", u"缺少字段“fillColor”", true},
        {"wrong type", "\"radius\": 12", "\"radius\": \"12\"", "\"12\"", u"应为整数"},
        {"fraction", "\"radius\": 12", "\"radius\": 12.0", "12.0", u"应为整数"},
        {"exponent", "\"radius\": 12", "\"radius\": 1e1", "1e1", u"应为整数"},
        {"range", "\"tabSize\": 4", "\"tabSize\": 2147483648", "2147483648", u"数值超出范围"},
        {"negative id", "\"id\": 2", "\"id\": -2", "-2", u"数值超出范围"},
        {"unknown kind", "\"kind\": \"ellipse\"", "\"kind\": \"circle\"", "\"circle\"", u"未知的对象类型“circle”"},
        {"bad colour", "\"fillColor\": \"#0000FF\"", "\"fillColor\": \"#00GG00\"", "\"#00GG00\"", u"颜色格式错误"},
        {"short colour", "\"fillColor\": \"#0000FF\"", "\"fillColor\": \"#00F\"", "\"#00F\"", u"颜色格式错误"},
        {"unknown field", "\"radius\": 12", "\"radius\": 12, \"radios\": 1", "\"radios\"", u"未知字段“radios”"},
        {"repeated field", "\"radius\": 12", "\"radius\": 12, \"radius\": 13", "\"radius\": 13", u"重复的字段“radius”"},
        {"bad hex", "\"90 97 9E", "\"90 97 9", "\"90 97 9", u"字节应写成"},
        {"empty send", "\"tag\": 3405691582,\n        \"bytes\": [\n          \"5A\"\n        ]",
         "\"tag\": 3405691582,\n        \"bytes\": []", "[]", u"发送数据为空"},
        {"rect size", "[-20, -10, 0, 0]", "[-20, -10, 0]", "[-20, -10, 0]", u"矩形应为四个整数"},
        {"colour depth", "\"colorDepth\": 16", "\"colorDepth\": 8", "8", u"不支持的屏幕色深"},
        {"syntax", "\"radius\": 12", "\"radius\": 12,,", ",,", u"JSON 语法错误"},
        {"text piece", "\"软\\n\"", "7", "7", u"应为字符串"},
        {"hex escape", "\"软\\n\"", "\"软\\x41\"", "\\x41", u"JSON 中没有转义“\\x”"},
        {"unknown escape", "\"软\\n\"", "\"软\\q\"", "\\q", u"JSON 中没有转义“\\q”"},
        {"raw control character", "\"软\\n\"", "\"软\t\"", "\t", u"不能有控制字符（U+0009）"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        QByteArray bad = good;
        const qsizetype at = bad.indexOf(r.from);
        ASSERT_GE(at, 0);
        bad.replace(at, r.from.size(), r.to);
        ProjectRecord record;
        std::optional<TextFormError> error = ReadProjectText(bad, record);
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->message.contains(QString::fromUtf16(r.message))) << error->Text().toStdString();
        const qsizetype expectedAt = r.atEnclosingBrace ? bad.lastIndexOf('{', at)
                                                        : bad.indexOf(r.at, at);
        const auto [line, column] = Where(bad.left(expectedAt) + "\x01", "\x01");
        EXPECT_EQ(error->line, line) << error->Text().toStdString();
        // Qt's parser reports a syntax error just after the token it could not take.
        const int slack = error->message.contains(QStringLiteral("JSON")) ? 2 : 0;
        EXPECT_GE(error->column, column) << error->Text().toStdString();
        EXPECT_LE(error->column, column + slack) << error->Text().toStdString();
        EXPECT_TRUE(record.pages.empty());
    }
}

TEST(ProjectText, ManyPagesReadAsInFileOrder)
{
    // Enough pages to be read on several threads.
    ProjectRecord record;
    ASSERT_FALSE(ReadProjectRecord(EditorProject(), record));
    const std::vector<PageRecord> pattern = record.pages;
    record.pages.clear();
    for (uint32_t i = 0; i < 60; ++i) {
        PageRecord page = pattern[i % pattern.size()];
        page.pageId = i;
        page.name = u"页" + std::u16string(1, char16_t(u'A' + i % 26));
        record.pages.push_back(page);
    }
    const Bytes file = WriteProjectRecord(record);
    QByteArray text;
    ASSERT_FALSE(WriteProjectText(record, text));
    EXPECT_EQ(FromText(text), file);

    // Two pages broken: the message is the first one's, wherever the pages
    // were read.
    QByteArray bad = text;
    const qsizetype page40 = bad.indexOf("\"id\": 40,");
    const qsizetype page50 = bad.indexOf("\"id\": 50,");
    ASSERT_GT(page40, 0);
    ASSERT_GT(page50, page40);
    bad.replace(page50, 10, "\"id\": 5.5,");
    bad.replace(page40, 10, "\"id\": -4,");
    ProjectRecord read;
    std::optional<TextFormError> error = ReadProjectText(bad, read);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->message.contains(QString::fromUtf16(u"数值超出范围"))) << error->Text().toStdString();
    EXPECT_EQ(error->line, Where(bad, "\"id\": -4,").first);
    EXPECT_TRUE(read.pages.empty());

    // A fraction anywhere makes every integer be checked by its text.
    bad = text;
    bad.replace(page50, 10, "\"id\": 5.5,");
    error = ReadProjectText(bad, read);
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->message.contains(QString::fromUtf16(u"应为整数"))) << error->Text().toStdString();
    EXPECT_EQ(error->line, Where(bad, "\"id\": 5.5,").first);
}

TEST(ProjectText, RefusesWhatIsNotAProjectText)
{
    ProjectRecord record;
    for (const char* text : {"", "[]", "{}", "{\"kdpj\": 2, \"header\": {}, \"view\": {}, \"pages\": []}", "nul"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(ReadProjectText(text, record));
    }
    // A zero-byte project file is none either.
    EXPECT_TRUE(ReadProjectRecord({}, record));
    const std::optional<TextFormError> error = ReadProjectText("{\n  \"kdpj\": 1\n}", record);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 1);
    EXPECT_EQ(error->column, 1);
    EXPECT_TRUE(error->message.contains(QString::fromUtf16(u"缺少字段“header”")));
}

TEST(ProjectText, TellsTheFormsApart)
{
    EXPECT_TRUE(IsProjectText(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("\xEF\xBB\xBF \n{"), 6)));
    EXPECT_FALSE(IsProjectText(SampleProject()));
    EXPECT_FALSE(IsProjectText({}));
    EXPECT_TRUE(IsProjectTextPath(QStringLiteral("/a/b.KDPJ")));
    EXPECT_FALSE(IsProjectTextPath(QStringLiteral("/a/b.kdp")));

    // A byte-order mark is skipped, and positions count from the file's start.
    ProjectRecord record;
    std::optional<TextFormError> error = ReadProjectText("\xEF\xBB\xBF{\"kdpj\": x}", record);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 1);
    EXPECT_GE(error->column, 10);
}

TEST(ProjectText, DamagedTextsAreRefusedOrReadWithoutHarm)
{
    const QByteArray good = ToText(SampleProject());
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    const char kNoise[] = "{}[],:\"\\ 0-9e.tnx\n\xE4";
    for (int round = 0; round < 400; ++round) {
        QByteArray bad = good;
        const int edits = 1 + int(next() % 4);
        for (int e = 0; e < edits; ++e) {
            const qsizetype at = qsizetype(next() % uint32_t(bad.size()));
            switch (next() % 3) {
            case 0: bad[at] = kNoise[next() % (sizeof kNoise - 1)]; break;
            case 1: bad.remove(at, 1 + qsizetype(next() % 8)); break;
            default: bad.truncate(at); break;
            }
        }
        ProjectRecord record;
        if (std::optional<TextFormError> error = ReadProjectText(bad, record)) {
            EXPECT_GE(error->line, 1);
            EXPECT_GE(error->column, 1);
            EXPECT_LE(error->line, int(bad.count('\n')) + 1);
            EXPECT_TRUE(record.pages.empty());
        } else {
            // Whatever was accepted writes and reads back as the same file.
            EXPECT_EQ(FromText(ToText(WriteProjectRecord(record))), WriteProjectRecord(record));
        }
    }
}
