// Test scripts for compiled projects: their language, its errors with line
// and column, and runs in virtual time with the terminal's touch rules.
#include "tests/render/RenderTestSupport.h"

#include "render/ScriptRunner.h"

#include <QImage>

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

using render::ScriptOp;

// Page 10 (load AA 01, unload AA 02): at (0,0)-(20,20) an area that sends
// 01 on release after 0.5 s; at (30,0)-(50,20) one that sends 03 while held
// 0.25 s; at (0,30)-(20,48) one that sends 05 and jumps to page 11 at once.
// Page 11 (load AA 11) is covered by an area that jumps back on release.
class Script : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProjectDesc project = SmallProject(16);
        PageDesc home, next;
        home.pageId = 10;
        home.loadSend = SendDesc{0, {0xAA, 0x01}};
        home.unloadSend = SendDesc{0, {0xAA, 0x02}};
        ObjectDesc slow = Shape("CDrawCustom", 1, 0, 0, 20, 20);
        slow.executeCondition = 2;
        slow.send = SendDesc{0, {0x01}};
        ObjectDesc held = Shape("CDrawCustom", 2, 30, 0, 50, 20);
        held.executeCondition = 9;
        held.send = SendDesc{0, {0x03}};
        ObjectDesc jump = Shape("CDrawCustom", 3, 0, 30, 20, 48);
        jump.executeCondition = 8;
        jump.send = SendDesc{0, {0x05}};
        jump.jumpTarget = 11;
        home.objects = {slow, held, jump};
        next.pageId = 11;
        next.loadSend = SendDesc{0, {0xAA, 0x11}};
        ObjectDesc back = Shape("CDrawCustom", 4, 0, 0, 64, 48);
        back.jumpTarget = 10;
        next.objects = {back};
        project.pages = {home, next};
        image = Load(CompileToBytes(workspace, project));
    }

    // Runs a script from the start of the image; the failed lines.
    std::vector<int> Run(const char* text)
    {
        EXPECT_FALSE(render::ParseScript(text, script));
        runner = std::make_unique<render::ScriptRunner>(script);
        render::TerminalSession::Listener listener;
        listener.sent = [this](const render::SentBlock& s) { runner->OnSent(s); };
        session = std::make_unique<render::TerminalSession>(image, listener);
        session->Start();
        runner->RunToEnd(*session);
        std::vector<int> failed;
        for (const render::ScriptOutcome& o : runner->Outcomes())
            if (!o.passed)
                failed.push_back(script.commands[o.command].line);
        return failed;
    }

    const render::ScriptOutcome& Outcome(size_t i) const { return runner->Outcomes().at(i); }

    Workspace workspace;
    std::shared_ptr<const render::TerminalImage> image;
    render::Script script;
    std::unique_ptr<render::ScriptRunner> runner;
    std::unique_ptr<render::TerminalSession> session;
};

} // namespace

TEST(ScriptLanguage, ReadsEveryCommandWithCommentsAndLineEnds)
{
    render::Script s;
    ASSERT_FALSE(render::ParseScript("# head\r\ntouch 1 2\r\n  touch -3 4 250 # held\n\npress 5 6\nrelease\nwait 60000\n"
                                     "expect page 3\nexpect sent AA0155\nexpect sent unload 0x01 ff\nexpect nothing-sent\n"
                                     "shot out.png\ngoto 65535\n",
                                     s));
    ASSERT_EQ(s.commands.size(), 11u);
    EXPECT_EQ(s.commands[1].op, ScriptOp::Touch);
    EXPECT_EQ(s.commands[1].line, 3);
    EXPECT_EQ(s.commands[1].text, "touch -3 4 250");
    EXPECT_EQ(s.commands[1].ms, 250);
    EXPECT_EQ(s.commands[0].ms, 0);
    EXPECT_EQ(s.commands[4].ms, 60000);
    EXPECT_EQ(s.commands[6].bytes, QByteArray("\xAA\x01\x55"));
    EXPECT_FALSE(s.commands[6].reason);
    EXPECT_EQ(s.commands[7].reason, render::SendReason::PageUnload);
    EXPECT_EQ(s.commands[7].bytes, QByteArray("\x01\xFF"));
    EXPECT_EQ(s.commands[9].file, "out.png");
    EXPECT_EQ(s.commands[10].id, 65535u);
}

TEST(ScriptLanguage, ErrorsNameLineAndColumn)
{
    const struct {
        const char* text;
        int line, column;
    } cases[] = {
        {"tuch 1 2", 1, 1},                      // unknown command
        {"\n\n   touch 1", 3, 11},               // missing Y: at the end of the line
        {"touch 1 2 -5", 1, 11},                 // negative hold
        {"touch 1 2 3 4", 1, 13},                // too many arguments
        {"wait 1x", 1, 6},                       // not a number
        {"expect sent load AA B", 1, 21},        // odd number of digits
        {"expect sent touch", 1, 18},            // no bytes
        {"expect sent zz", 1, 13},               // not hex
        {"expect pages 1", 1, 8},                // unknown expectation
        {"expect page 70000", 1, 13},            // beyond 16 bits
        {"release now", 1, 9},
        {"shot", 1, 5},
    };
    for (const auto& c : cases) {
        render::Script s;
        const std::optional<render::ScriptError> error = render::ParseScript(c.text, s);
        ASSERT_TRUE(error) << c.text;
        EXPECT_EQ(error->line, c.line) << c.text;
        EXPECT_EQ(error->column, c.column) << c.text << ": " << error->message.toStdString();
        EXPECT_FALSE(error->message.isEmpty());
    }
}

TEST_F(Script, HeldTouchesAndDelayedConditionsFollowVirtualTime)
{
    EXPECT_EQ(Run("expect sent load AA 01\n"
                  "touch 10 10 499\nexpect nothing-sent\n"      // released too early
                  "touch 10 10 500\nexpect sent touch 01\n"     // held long enough
                  "press 40 10\nwait 249\nexpect nothing-sent\n" // not yet
                  "wait 1\nexpect sent touch 03\n"              // 0.25 s after the press
                  "wait 5000\nrelease\nexpect nothing-sent\n"   // once only
                  "expect page 10\n"),
              std::vector<int>{});
    EXPECT_EQ(runner->Now(), 499 + 500 + 249 + 1 + 5000);
}

TEST_F(Script, JumpsSendInOrderAndGotoActsAsThePageList)
{
    EXPECT_EQ(Run("expect sent load AA 01\n"
                  "press 10 40\nexpect page 11\n"  // acts on the press
                  "expect sent touch 05\nexpect sent unload AA 02\nexpect sent load AA 11\n"
                  "release\nexpect nothing-sent\n"
                  "goto 10\nexpect sent load AA 01\nexpect page 10\n"),
              std::vector<int>{});
}

TEST_F(Script, EveryKindOfWrongExpectationFailsAndTheRunGoesOn)
{
    EXPECT_EQ(Run("expect page 11\n"                 // 1: wrong page
                  "expect sent touch AA 01\n"        // 2: right bytes, wrong tag
                  "touch 10 10 600\n"
                  "expect sent touch 02\n"           // 4: wrong bytes
                  "expect sent 01\n"                 // 5: nothing left
                  "touch 10 10 600\n"
                  "expect nothing-sent\n"            // 7: something was sent
                  "goto 99\n"                        // 8: no such page
                  "expect page 10\n"),               // passes
              (std::vector<int>{1, 2, 4, 5, 7, 8}));
    EXPECT_EQ(runner->FailureCount(), 6);
    EXPECT_EQ(Outcome(0).expected, QString::fromUtf16(u"页面 11"));
    EXPECT_EQ(Outcome(0).actual, QString::fromUtf16(u"页面 10"));
    EXPECT_EQ(Outcome(1).actual, QString::fromUtf16(u"发送 load AA 01"));
    EXPECT_EQ(Outcome(2).expected, QString::fromUtf16(u"发送 touch 02"));
    EXPECT_EQ(Outcome(2).actual, QString::fromUtf16(u"发送 touch 01"));
    EXPECT_EQ(Outcome(3).actual, QString::fromUtf16(u"没有发送"));
    EXPECT_EQ(Outcome(4).actual, QString::fromUtf16(u"发送 touch 01"));
}

TEST_F(Script, UncheckedBlocksAreBounded)
{
    QByteArray text;
    for (size_t i = 0; i < render::ScriptRunner::kMaxPending + 10; ++i)
        text += "touch 10 10 500\n";
    text += "expect nothing-sent\n";
    Run(text.constData());
    ASSERT_EQ(runner->FailureCount(), 1);
    EXPECT_EQ(size_t(Outcome(0).actual.count(QStringLiteral("touch 01"))), render::ScriptRunner::kMaxPending);
}

TEST_F(Script, ShotSavesTheScreenAsShown)
{
    EnsureGuiApplication();
    const std::string path = workspace.Path("shot.png");
    const QByteArray text = "shot " + QByteArray::fromStdString(path) + "\nshot /nonexistent-folder/x.png\n";
    EXPECT_EQ(Run(text.constData()), std::vector<int>{2});
    const QImage shot(QString::fromStdString(path));
    EXPECT_EQ(shot.size(), QSize(64, 48));
}

} // namespace kdx::testing
