// The terminal's touch rules on compiled projects: what is hit, when the
// touch acts, and what goes out.
#include "tests/render/RenderTestSupport.h"

#include "terminal/MemoryImageLayout.h"
#include "render/TerminalSession.h"

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

using render::SendReason;
using render::TerminalSession;

struct Sent {
    SendReason reason;
    int page;
    QByteArray bytes;
    bool operator==(const Sent&) const = default;
};

void PrintTo(const Sent& s, std::ostream* out)
{
    *out << "{" << int(s.reason) << ", page " << s.page << ", " << s.bytes.toHex(' ').toStdString() << "}";
}

// Page 0 (load AA 01, unload AA 02): a button at (10,10)-(30,20) that sends
// 01 and jumps to page 1 on release; under a part of it an area that sends
// 02 on release after 0.5 s; an area at (40,0)-(60,20) that sends 03 once
// 0.25 s after the touch; a plain rectangle at (0,30)-(20,40) without touch
// behaviour. Page 1 (load AA 11) has a rectangle sending 04 that jumps back.
class Touch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProjectDesc project = SmallProject(16);
        PageDesc home, next;
        home.pageId = 10;
        home.loadSend = SendDesc{0, {0xAA, 0x01}};
        home.unloadSend = SendDesc{0, {0xAA, 0x02}};
        ObjectDesc slow = Shape("CDrawCustom", 1, 20, 10, 40, 20);
        slow.executeCondition = 2;
        slow.send = SendDesc{0, {0x02}};
        ObjectDesc button = Shape("CDrawImage", 2, 10, 10, 30, 20);
        button.normalImage = workspace.SolidImage("n.png", 20, 10, Qt::red);
        button.pressedImage = workspace.SolidImage("p.png", 20, 10, Qt::blue);
        button.jumpTarget = 11;
        button.send = SendDesc{0, {0x01}};
        ObjectDesc held = Shape("CDrawCustom", 3, 40, 0, 60, 20);
        held.executeCondition = 9;
        held.send = SendDesc{0, {0x03}};
        ObjectDesc plain = Shape("CDrawRect", 4, 0, 30, 20, 40);
        plain.fillColor = Rgb(1, 1, 1);
        home.objects = {slow, button, held, plain};
        next.pageId = 11;
        next.loadSend = SendDesc{0, {0xAA, 0x11}};
        ObjectDesc back = Shape("CDrawRect", 5, 0, 0, 64, 48);
        back.fillColor = Rgb(1, 1, 1);
        back.jumpTarget = 10;
        back.send = SendDesc{0, {0x04}};
        next.objects = {back};
        project.pages = {home, next};
        image = Load(CompileToBytes(workspace, project));
        ASSERT_TRUE(image);
        TerminalSession::Listener listener;
        listener.sent = [this](const render::SentBlock& s) { sent.push_back({s.reason, s.page, s.block->bytes}); };
        listener.pageShown = [this](int page) { shown.push_back(page); };
        session = std::make_unique<TerminalSession>(image, listener);
        session->Start();
    }

    Workspace workspace;
    std::shared_ptr<const render::TerminalImage> image;
    std::unique_ptr<TerminalSession> session;
    std::vector<Sent> sent;
    std::vector<int> shown;
};

TEST_F(Touch, StartShowsTheFirstPageAndSendsItsLoadBytes)
{
    EXPECT_EQ(shown, std::vector<int>{0});
    EXPECT_EQ(sent, (std::vector<Sent>{{SendReason::PageLoad, 0, "\xAA\x01"}}));
}

TEST_F(Touch, ButtonShowsPressedWhileHeldAndJumpsOnRelease)
{
    sent.clear();
    session->Press(25, 15, 1000); // over both: the button is on top
    const int button = session->PressedRecord();
    ASSERT_GE(button, 0);
    EXPECT_EQ(image->Pages()[0].records[size_t(button)].drawType, image_layout::kDrawPicture);
    session->Tick(3000);
    EXPECT_TRUE(sent.empty()); // acts on release only
    session->Release(3010);
    EXPECT_EQ(session->PressedRecord(), -1);
    EXPECT_EQ(session->CurrentPage(), 1);
    EXPECT_EQ(sent, (std::vector<Sent>{{SendReason::Touch, 0, "\x01"},
                                       {SendReason::PageUnload, 0, "\xAA\x02"},
                                       {SendReason::PageLoad, 1, "\xAA\x11"}}));
    EXPECT_EQ(shown, (std::vector<int>{0, 1}));

    // Back: page 1 has no unload bytes.
    sent.clear();
    session->Press(5, 5, 5000);
    session->Release(5001);
    EXPECT_EQ(session->CurrentPage(), 0);
    EXPECT_EQ(sent, (std::vector<Sent>{{SendReason::Touch, 1, "\x04"}, {SendReason::PageLoad, 0, "\xAA\x01"}}));
}

TEST_F(Touch, ReleaseConditionNeedsTheTouchHeldLongEnough)
{
    sent.clear();
    session->Press(35, 15, 0); // only the slow area
    session->Release(499);
    EXPECT_TRUE(sent.empty());
    session->Press(35, 15, 1000);
    session->Release(1500);
    EXPECT_EQ(sent, (std::vector<Sent>{{SendReason::Touch, 0, "\x02"}}));
    EXPECT_EQ(session->CurrentPage(), 0);
}

TEST_F(Touch, WhileTouchingConditionActsOnceAfterItsDelay)
{
    sent.clear();
    session->Press(50, 5, 100);
    session->Tick(349);
    EXPECT_TRUE(sent.empty());
    session->Tick(350);
    EXPECT_EQ(sent.size(), 1u);
    session->Tick(2000);
    session->Release(2100);
    EXPECT_EQ(sent, (std::vector<Sent>{{SendReason::Touch, 0, "\x03"}}));
    // Released before its time: nothing.
    session->Press(50, 5, 3000);
    session->Release(3100);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(Touch, PressesOutsideTouchRecordsAndByHandJumps)
{
    sent.clear();
    session->Press(5, 35, 0); // a rectangle without touch behaviour
    EXPECT_EQ(session->PressedRecord(), -1);
    session->Release(10);
    session->Press(63, 47, 20); // nothing there
    session->Release(30);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(session->CurrentPage(), 0);

    session->ShowPage(1);
    EXPECT_EQ(sent, (std::vector<Sent>{{SendReason::PageUnload, 0, "\xAA\x02"}, {SendReason::PageLoad, 1, "\xAA\x11"}}));
    session->ShowPage(7); // no such page
    EXPECT_EQ(session->CurrentPage(), 1);
}

} // namespace
} // namespace kdx::testing
