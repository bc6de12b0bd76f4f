// The rules of the project check: for each, a project that breaks it gives
// exactly that finding at the right place, and a near miss gives none.
#include "check/ProjectCheck.h"
#include "tests/support/ProjectBuilder.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::testing;

namespace {

// Two reachable pages with backgrounds, a navigation area on each and a
// text that fits, plus picture files in a temporary folder: a project with
// no finding, which each case changes a little.
struct Fixture {
    QTemporaryDir dir;
    ProjectDesc project;

    Fixture()
    {
        QImage a(40, 20, QImage::Format_RGB32);
        a.fill(Qt::red);
        a.save(dir.filePath("a.png"));
        a.save(dir.filePath("same-as-a.png"));
        a.fill(Qt::blue);
        a.save(dir.filePath("other.png"));
        QFile bad(dir.filePath("bad.png"));
        bad.open(QIODevice::WriteOnly);
        bad.write("not a picture");

        PageDesc home;
        home.pageId = 0;
        home.name = u"主页";
        home.backgroundColor = 0x000000;
        ObjectDesc toSettings = Shape("CDrawCustom", 1, 0, 200, 100, 240);
        toSettings.jumpTarget = 5;
        home.objects.push_back(toSettings);
        ObjectDesc title = Shape("CDrawText", 2, 0, 0, 200, 32);
        title.fontId = 1;
        title.text = u"温度 Temp";
        home.objects.push_back(title);

        PageDesc settings;
        settings.pageId = 5;
        settings.name = u"设置";
        settings.backgroundColor = 0xFFFFFF;
        ObjectDesc back = Shape("CDrawCustom", 3, 0, 200, 100, 240);
        back.jumpTarget = 0;
        settings.objects.push_back(back);
        project.pages = {home, settings};
    }

    ObjectDesc& Add(size_t page, ObjectDesc object)
    {
        project.pages[page].objects.push_back(object);
        return project.pages[page].objects.back();
    }

    std::vector<check::Finding> Run(std::optional<uint64_t> memory = std::nullopt)
    {
        const std::string path = dir.filePath("p.kdp").toStdString();
        const std::vector<uint8_t> bytes = BuildProjectFile(project);
        WriteBytes(path, bytes);
        ProjectRecord record;
        EXPECT_FALSE(ReadProjectRecord(bytes, record));
        check::CheckOptions options;
        options.projectFolder = dir.path();
        options.projectPath = path;
        options.memoryBytes = memory;
        return check::CheckProject(record, options);
    }
};

std::string Describe(const std::vector<check::Finding>& findings)
{
    std::string text;
    for (const check::Finding& f : findings)
        text += check::FormatFinding("p.kdp", f).toStdString() + "\n";
    return text;
}

// Where a finding must be: a rule, its level, a page and object id (-1 = none).
struct Expected {
    const char* rule;
    check::Level level;
    int64_t page;
    int64_t object;
};

struct Case {
    const char* name;
    std::function<void(Fixture&)> breakIt;
    std::function<void(Fixture&)> nearMiss;
    Expected expected;
};

ObjectDesc Picture(uint32_t id, int l, int t, int r, int b, const char16_t* normal)
{
    ObjectDesc o = Shape("CDrawImage", id, l, t, r, b);
    o.normalImage = normal;
    return o;
}

ObjectDesc Text(uint32_t id, int l, int t, int r, int b, const char16_t* text)
{
    ObjectDesc o = Shape("CDrawText", id, l, t, r, b);
    o.text = text;
    return o;
}

ObjectDesc Sender(uint32_t id, int l, int t, int r, int b)
{
    ObjectDesc o = Shape("CDrawCustom", id, l, t, r, b);
    o.send = SendDesc{0, {0xAA, 0x55}};
    return o;
}

const check::Level E = check::Level::Error;
const check::Level W = check::Level::Warning;

const std::vector<Case>& Cases()
{
    static const std::vector<Case> cases = {
        {"JumpToMissingPage", [](Fixture& f) { f.project.pages[1].objects[0].jumpTarget = 7; },
         [](Fixture& f) { f.project.pages[1].objects[0].jumpTarget = 5; }, {"jump-target", E, 5, 3}},
        {"MissingPicture", [](Fixture& f) { f.Add(0, Picture(10, 200, 100, 240, 120, u"gone.png")); },
         [](Fixture& f) { f.Add(0, Picture(10, 200, 100, 240, 120, u"a.png")); }, {"picture-file", E, 0, 10}},
        {"UndecodablePicture", [](Fixture& f) { f.Add(1, Picture(10, 200, 100, 240, 120, u"bad.png")); },
         [](Fixture& f) { f.Add(1, Picture(10, 200, 100, 240, 120, u"other.png")); }, {"picture-file", E, 5, 10}},
        {"MissingBackground", [](Fixture& f) { f.project.pages[1].backgroundImage = u"gone.png"; },
         [](Fixture& f) { f.project.pages[1].backgroundImage = u""; }, {"picture-file", E, 5, -1}},
        {"CoordinateBeyond16Bits", [](Fixture& f) { f.Add(0, Shape("CDrawRect", 10, -40000, 0, 10, 10)).lineColor = 0; },
         [](Fixture& f) { f.Add(0, Shape("CDrawRect", 10, 0, 0, 10, 10)).lineColor = 0; }, {"value-range", E, 0, 10}},
        {"FontFour", [](Fixture& f) { f.project.pages[0].objects[1].fontId = 4; },
         [](Fixture& f) { f.project.pages[0].objects[1].fontId = 3; }, {"value-range", E, 0, 2}},
        {"CharSpacingBeyondAByte", [](Fixture& f) { f.Add(0, Text(10, 300, 0, 340, 20, u"A")).charSpacing = 256; },
         [](Fixture& f) { f.Add(0, Text(10, 300, 0, 340, 20, u"A")).charSpacing = 255; }, {"value-range", E, 0, 10}},
        {"ConditionSixteen", [](Fixture& f) { f.project.pages[0].objects[0].executeCondition = 16; },
         [](Fixture& f) { f.project.pages[0].objects[0].executeCondition = 15; }, {"value-range", E, 0, 1}},
        {"CharacterOutsideCp936", [](Fixture& f) { f.Add(1, Text(10, 0, 0, 200, 20, u"温度\U0001F600")); },
         [](Fixture& f) { f.Add(1, Text(10, 0, 0, 200, 20, u"温度℃")); }, {"text-encoding", E, 5, 10}},
        {"LinesCutAtTheBottom", [](Fixture& f) { f.Add(1, Text(10, 0, 0, 200, 40, u"一\r\n二\r\n三")); },
         [](Fixture& f) { f.Add(1, Text(10, 0, 0, 200, 48, u"一\r\n二\r\n三")); }, {"text-lines", W, 5, 10}},
        {"TextWiderThanObject", [](Fixture& f) { f.Add(0, Text(10, 300, 0, 379, 16, u"ABCDEFGHIJ")); },
         [](Fixture& f) { f.Add(0, Text(10, 300, 0, 380, 16, u"ABCDEFGHIJ")); }, {"text-width", W, 0, 10}},
        {"TabMakesTextWider", [](Fixture& f) { f.Add(0, Text(10, 300, 0, 371, 16, u"A\tB")); },
         [](Fixture& f) { f.Add(0, Text(10, 300, 0, 372, 16, u"A\tB")); }, {"text-width", W, 0, 10}},
        {"PartlyOffScreen", [](Fixture& f) { f.Add(0, Shape("CDrawRect", 10, 470, 0, 481, 10)).lineColor = 0; },
         [](Fixture& f) { f.Add(0, Shape("CDrawRect", 10, 470, 0, 480, 10)).lineColor = 0; }, {"off-screen", W, 0, 10}},
        {"WhollyOffScreen", [](Fixture& f) { f.Add(0, Shape("CDrawRect", 10, 0, 272, 10, 290)).lineColor = 0; },
         [](Fixture& f) { f.Add(0, Shape("CDrawRect", 10, 0, 262, 10, 272)).lineColor = 0; }, {"off-screen", W, 0, 10}},
        {"LineLeavesTheScreen", [](Fixture& f) { f.Add(0, Shape("CDrawLine", 0, 10, 10, 480, 10)).lineColor = 0; },
         [](Fixture& f) { f.Add(0, Shape("CDrawLine", 0, 10, 10, 479, 10)).lineColor = 0; }, {"off-screen", W, 0, 0}},
        {"TouchAreaCovered",
         [](Fixture& f) {
             f.Add(1, Sender(10, 10, 10, 50, 50));
             f.Add(1, Sender(11, 0, 0, 60, 60));
         },
         [](Fixture& f) {
             f.Add(1, Sender(10, 10, 10, 50, 50));
             f.Add(1, Sender(11, 20, 0, 60, 60));
         },
         {"touch-covered", W, 5, 10}},
        {"PageNoJumpReaches",
         [](Fixture& f) {
             PageDesc lost;
             lost.pageId = 9;
             lost.name = u"孤立";
             lost.backgroundColor = 0;
             f.project.pages.push_back(lost);
         },
         [](Fixture& f) {
             PageDesc lost;
             lost.pageId = 9;
             lost.name = u"孤立";
             lost.backgroundColor = 0;
             f.project.pages.push_back(lost);
             f.Add(1, Sender(10, 300, 200, 400, 240)).jumpTarget = 9;
         },
         {"page-unreachable", W, 9, -1}},
        {"PictureScaled", [](Fixture& f) { f.Add(0, Picture(10, 200, 100, 240, 130, u"a.png")); },
         [](Fixture& f) { f.Add(0, Picture(10, 200, 100, 240, 120, u"a.png")); }, {"picture-scaled", W, 0, 10}},
        {"BackgroundScaled", [](Fixture& f) { f.project.pages[0].backgroundImage = u"a.png"; },
         [](Fixture& f) { f.project.pages[0].backgroundImage = u""; }, {"picture-scaled", W, 0, -1}},
        {"EmptyPage",
         [](Fixture& f) {
             f.project.pages[1].backgroundColor = 0xFFFFFFFF;
             f.project.pages[1].objects.clear();
         },
         [](Fixture& f) { f.project.pages[1].objects.clear(); }, {"empty-page", W, 5, -1}},
        {"SamePixelsTwice",
         [](Fixture& f) {
             f.Add(0, Picture(10, 200, 100, 240, 120, u"a.png"));
             f.Add(1, Picture(11, 200, 100, 240, 120, u"same-as-a.png"));
         },
         [](Fixture& f) {
             f.Add(0, Picture(10, 200, 100, 240, 120, u"a.png"));
             f.Add(1, Picture(11, 200, 100, 240, 120, u"other.png"));
         },
         {"picture-duplicate", W, 5, 11}},
    };
    return cases;
}

class Rule : public ::testing::TestWithParam<Case> {};

} // namespace

TEST(Check, BaseProjectHasNoFinding)
{
    Fixture f;
    EXPECT_TRUE(f.Run().empty()) << Describe(f.Run());
}

TEST_P(Rule, BrokenGivesExactlyItsFindingAndNearMissNone)
{
    const Case& c = GetParam();
    {
        Fixture f;
        c.breakIt(f);
        const std::vector<check::Finding> findings = f.Run();
        ASSERT_EQ(findings.size(), 1u) << Describe(findings);
        const check::Finding& found = findings[0];
        EXPECT_EQ(found.rule, c.expected.rule);
        EXPECT_EQ(found.level, c.expected.level);
        EXPECT_EQ(found.pageId ? int64_t(*found.pageId) : -1, c.expected.page);
        EXPECT_EQ(found.objectId ? int64_t(*found.objectId) : -1, c.expected.object);
    }
    Fixture f;
    c.nearMiss(f);
    EXPECT_TRUE(f.Run().empty()) << Describe(f.Run());
}

INSTANTIATE_TEST_SUITE_P(Check, Rule, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Check, MemorySizeComparesTheCompiledImage)
{
    Fixture f;
    const std::vector<check::Finding> tight = f.Run(100);
    ASSERT_EQ(tight.size(), 1u) << Describe(tight);
    EXPECT_EQ(tight[0].rule, "memory-size");
    EXPECT_FALSE(tight[0].pageId);
    EXPECT_TRUE(f.Run(1 << 20).empty());
}

TEST(Check, EveryRuleHasACase)
{
    std::set<std::string> covered{"memory-size"};
    for (const Case& c : Cases())
        covered.insert(c.expected.rule);
    for (const check::RuleInfo& rule : check::Rules())
        EXPECT_TRUE(covered.count(rule.id)) << rule.id;
}

TEST(Check, DisabledRulesAreNotRun)
{
    Fixture f;
    f.project.pages[1].objects[0].jumpTarget = 7;
    f.Add(0, Shape("CDrawRect", 10, 470, 0, 481, 10)).lineColor = 0;
    ProjectRecord record;
    ASSERT_FALSE(ReadProjectRecord(BuildProjectFile(f.project), record));
    check::CheckOptions options;
    options.disabled = {"jump-target"};
    const std::vector<check::Finding> findings = check::CheckProject(record, options);
    ASSERT_EQ(findings.size(), 1u) << Describe(findings);
    EXPECT_EQ(findings[0].rule, "off-screen");
}

TEST(Check, LinesAndCompilerMessagesNameTheLocation)
{
    check::Finding f;
    f.rule = "jump-target";
    f.level = check::Level::Error;
    f.pageId = 26;
    f.pageName = u"a\"b";
    f.objectId = 255;
    f.text = QStringLiteral("跳转");
    EXPECT_EQ(check::FormatFinding("x.kdp", f), QStringLiteral("x.kdp:page 26 \"a\\\"b\":object 255: error: 跳转 [jump-target]"));
    EXPECT_EQ(check::FindingAsCompilerMessage(f), QStringLiteral("*(IID=FF)跳转 [jump-target](双击定位)\r\n"));
    f.objectId.reset();
    f.level = check::Level::Warning;
    EXPECT_EQ(check::FormatFinding("x.kdp", f), QStringLiteral("x.kdp:page 26 \"a\\\"b\": warning: 跳转 [jump-target]"));
    EXPECT_EQ(check::FindingAsCompilerMessage(f), QStringLiteral("!(PID=1A)“a\"b”跳转 [jump-target](双击定位)\r\n"));
}

TEST(Check, SettingsFileSwitchesRulesOffAndNamesBadLines)
{
    std::set<std::string> disabled;
    QString error;
    EXPECT_TRUE(check::ParseCheckSettings("# team rules\ndisable text-width\n  empty-page  # why\n\n", disabled, &error));
    EXPECT_EQ(disabled, (std::set<std::string>{"text-width", "empty-page"}));
    EXPECT_FALSE(check::ParseCheckSettings("empty-page\n  disable no-such-rule\n", disabled, &error));
    EXPECT_TRUE(error.startsWith("2:11:")) << error.toStdString();
    EXPECT_FALSE(check::ParseCheckSettings("disable a b\n", disabled, &error));
    EXPECT_TRUE(error.startsWith("1:")) << error.toStdString();
}
