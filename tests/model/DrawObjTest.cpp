#include "RecordingObserver.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace kdx;
using namespace kdx::test;

TEST(DrawObj, DefaultsFollowTheClass)
{
    CDrawLine line;
    EXPECT_FALSE(line.IsLinkable());
    EXPECT_EQ(line.GetHandleCount(), 2);
    CDrawRect rect;
    EXPECT_TRUE(rect.IsLinkable());
    EXPECT_EQ(rect.LineColor(), kNoColor);
    EXPECT_EQ(rect.FillColor(), kNoColor);
    EXPECT_EQ(rect.JumpTarget(), kNoPage);
    EXPECT_EQ(CDrawRoundRect().Radius(), 5);
    CDrawText text;
    EXPECT_EQ(text.FontId(), 1u);
    EXPECT_EQ(text.TabSize(), 8);
    EXPECT_EQ(CDrawRect(PageRect{30, 40, 10, 20}).Bounds(), (PageRect{10, 20, 30, 40}));
    for (const char* name : {"CDrawLine", "CDrawRect", "CDrawRoundRect", "CDrawEllipse", "CDrawText",
                             "CDrawImage", "CDrawCustom"})
        EXPECT_STREQ(CreateDrawObj(name)->ClassName(), name);
    EXPECT_EQ(CreateDrawObj("CDrawObj"), nullptr);
}

TEST(DrawObj, EveryKindHasItsOwnNamesAndClass)
{
    std::set<std::string> names;
    for (ObjectKind kind : kAllObjectKinds) {
        EXPECT_EQ(CreateDrawObj(kind)->Kind(), kind);
        EXPECT_EQ(ObjectKindOfClass(ObjectClassName(kind)), kind);
        EXPECT_EQ(ObjectKindOfKey(ObjectKindKey(kind)), kind);
        for (const char* name : {ObjectClassName(kind), ObjectKindKey(kind), ObjectKindLabel(kind)})
            EXPECT_TRUE(names.insert(name).second) << name;
    }
    // Class names and text keys are not interchangeable.
    EXPECT_EQ(ObjectKindOfClass("rect"), std::nullopt);
    EXPECT_EQ(ObjectKindOfKey("CDrawRect"), std::nullopt);
}

TEST(DrawObj, SettersReportOneFlagAndMarkOnlyRealChanges)
{
    DocWithPage d;
    auto* rect = d.Add<CDrawRect>();
    d.doc.SetModifiedFlag(false);
    d.seen.Clear();

    rect->SetLineColor(0x123456);
    EXPECT_TRUE(d.doc.IsModified());
    ASSERT_EQ(d.seen.changes.size(), 1u);
    EXPECT_EQ(d.seen.changes[0].second, kChangedLineColor);
    EXPECT_EQ(d.seen.updates.size(), 1u); // repainted

    d.doc.SetModifiedFlag(false);
    d.doc.currentLineColor = 0;
    rect->SetLineColor(0x123456); // same value: current colour still follows
    EXPECT_FALSE(d.doc.IsModified());
    EXPECT_EQ(d.doc.currentLineColor, 0x123456u);
    EXPECT_EQ(d.seen.changes.size(), 1u);

    rect->SetFillColor(0xFF);
    rect->SetJumpTarget(3);
    rect->SetExecuteCondition(9);
    const uint8_t bytes[] = {1, 2, 3};
    rect->SetSendData(bytes, 3);
    std::vector<uint32_t> flags;
    for (auto& c : d.seen.changes)
        flags.push_back(c.second);
    EXPECT_EQ(flags, (std::vector<uint32_t>{kChangedLineColor, kChangedFillColor, kChangedJumpTarget,
                                            kChangedExecuteCondition, kChangedSendData}));
    EXPECT_EQ(d.doc.currentFillColor, 0xFFu);
}

TEST(DrawObj, ClampingSetters)
{
    DocWithPage d;
    auto* text = d.Add<CDrawText>();
    text->SetTabSize(0);
    EXPECT_EQ(text->TabSize(), 1);
    text->SetLineSpacing(-3);
    EXPECT_EQ(text->LineSpacing(), 0);
    text->SetCharSpacing(-1);
    EXPECT_EQ(text->CharSpacing(), 0);
    text->SetFontId(4); // not a terminal font
    EXPECT_EQ(text->FontId(), 1u);
    text->SetFontId(3);
    EXPECT_EQ(text->FontId(), 3u);
    auto* round = d.Add<CDrawRoundRect>();
    round->SetRadius(-1);
    EXPECT_EQ(round->Radius(), 0);
}

TEST(DrawObj, LinkSettersIgnoreLines)
{
    DocWithPage d;
    auto* line = d.Add<CDrawLine>();
    d.doc.SetModifiedFlag(false);
    line->SetJumpTarget(0);
    line->SetExecuteCondition(3);
    const uint8_t b = 7;
    line->SetSendData(&b, 1);
    EXPECT_EQ(line->JumpTarget(), kNoPage);
    EXPECT_EQ(line->ExecuteCondition(), 0u);
    EXPECT_EQ(line->SendData(), nullptr);
    EXPECT_FALSE(d.doc.IsModified());
    EXPECT_TRUE(d.doc.SendDataTable().empty());
}

TEST(DrawObj, SendDataAndTextsAreSharedAndReleased)
{
    DocWithPage d;
    auto* a = d.Add<CDrawRect>();
    auto* b = d.Add<CDrawEllipse>();
    const uint8_t bytes[] = {0xAA, 0xBB};
    a->SetSendData(bytes, 2);
    b->SetSendData(bytes, 2);
    EXPECT_EQ(a->SendData(), b->SendData());
    EXPECT_EQ(d.doc.SendDataTable().front().refs, 2);
    a->SetSendData(bytes, 2); // same block: the extra reference is dropped
    EXPECT_EQ(d.doc.SendDataTable().front().refs, 2);
    a->SetSendData(nullptr, 0);
    EXPECT_EQ(d.doc.SendDataTable().front().refs, 1);
    d.doc.RemoveObject(b);
    EXPECT_TRUE(d.doc.SendDataTable().empty());

    auto* t1 = d.Add<CDrawText>();
    auto* t2 = d.Add<CDrawText>();
    t1->SetText(u"你好\r\n世界");
    t2->SetText(u"你好\r\n世界");
    EXPECT_EQ(t1->TextRef(), t2->TextRef());
    EXPECT_EQ(t1->TextRef()->text.back(), u'\0');
    EXPECT_EQ(t1->Text(), u"你好\r\n世界");
    t2->SetText(u"");
    EXPECT_EQ(t2->TextRef(), nullptr);
    t1->SetText(std::u16string(1024, u'x')); // 1025 units with the zero: refused
    EXPECT_EQ(t1->TextRef(), nullptr);
    EXPECT_TRUE(d.doc.TextTable().empty());
    t1->SetText(std::u16string(1023, u'x'));
    EXPECT_NE(t1->TextRef(), nullptr);
}

TEST(DrawObj, SetRectReportsPositionAndSize)
{
    DocWithPage d;
    auto* rect = d.Add<CDrawRect>(PageRect{10, 10, 50, 40});
    d.seen.Clear();
    rect->SetRect({20, 10, 60, 40}); // moved only
    rect->SetRect({20, 10, 70, 40}); // resized only
    rect->SetRect({20, 10, 70, 40}); // unchanged
    rect->SetRect({70, 40, 20, 10}); // flipped: bounds keep their size
    ASSERT_EQ(d.seen.changes.size(), 3u);
    EXPECT_EQ(d.seen.changes[0].second, kChangedPosition);
    EXPECT_EQ(d.seen.changes[1].second, kChangedSize);
    EXPECT_EQ(d.seen.changes[2].second, kChangedPosition);
    EXPECT_EQ(rect->Bounds(), (PageRect{20, 10, 70, 40}));
    EXPECT_EQ(rect->RawRect(), (PageRect{70, 40, 20, 10}));
    // old and new area repainted per change
    EXPECT_EQ(d.seen.updates.size(), 6u);
}

TEST(DrawObj, LineMovesKeepingItsDirection)
{
    DocWithPage d;
    auto* line = d.Add<CDrawLine>(PageRect{0, 0, 0, 0});
    line->SetRect({100, 50, 10, 5});
    EXPECT_EQ(line->Bounds(), (PageRect{10, 5, 100, 50}));
    line->MoveTo(20, 15);
    EXPECT_EQ(line->RawRect(), (PageRect{110, 60, 20, 15}));
    line->SetSize(1, 1); // ignored by lines
    EXPECT_EQ(line->RawRect(), (PageRect{110, 60, 20, 15}));
}

TEST(DrawObj, CustomIdsStayUniqueInAPage)
{
    DocWithPage d;
    auto* first = d.Add<CDrawCustom>();
    EXPECT_EQ(first->CustomId(), 0u);
    auto* second = d.Add<CDrawCustom>();
    auto* third = d.Add<CDrawCustom>();
    EXPECT_EQ(second->CustomId(), 1u);
    EXPECT_TRUE(third->SetCustomId(3));
    EXPECT_EQ(d.Add<CDrawCustom>()->CustomId(), 2u);
    EXPECT_FALSE(third->SetCustomId(1));
    EXPECT_FALSE(third->SetCustomId(65535));
    EXPECT_TRUE(third->SetCustomId(3));
    EXPECT_TRUE(third->SetCustomId(65534));
    EXPECT_FALSE(first->IsCustomIdFree(0));
    EXPECT_TRUE(first->IsCustomIdFree(3));
    CDrawCustom loose;
    EXPECT_EQ(loose.FindFreeCustomId(), -1);
    EXPECT_TRUE(loose.IsCustomIdFree(0));
}

TEST(DrawObj, RectangleHitTestWidensDegenerateBounds)
{
    CDrawRect flat(PageRect{10, 10, 10, 40});
    EXPECT_TRUE(flat.Intersects({7, 20, 8, 21}));
    EXPECT_TRUE(flat.Intersects({12, 20, 13, 21}));
    EXPECT_FALSE(flat.Intersects({13, 20, 14, 21}));
    CDrawRect box(PageRect{10, 10, 20, 20});
    EXPECT_TRUE(box.Intersects({19, 19, 20, 20}));
    EXPECT_FALSE(box.Intersects({20, 20, 21, 21})); // right and bottom exclusive
    EXPECT_TRUE(box.Intersects({25, 25, 15, 15}));  // flipped rectangle is normalised
}

TEST(DrawObj, SlantedLineIsHitNearItsPathOnly)
{
    CDrawLine down(PageRect{0, 0, 100, 100});
    EXPECT_TRUE(down.Intersects({50, 50, 51, 51}));
    EXPECT_TRUE(down.Intersects({52, 50, 53, 51}));
    EXPECT_FALSE(down.Intersects({80, 10, 81, 11}));
    CDrawLine up;
    up.SetRect({0, 100, 100, 0}); // the constructor normalises
    EXPECT_TRUE(up.Intersects({50, 50, 51, 51}));
    EXPECT_FALSE(up.Intersects({10, 10, 11, 11}));
    CDrawLine flat(PageRect{0, 10, 100, 10});
    EXPECT_TRUE(flat.Intersects({50, 12, 51, 13}));
    EXPECT_FALSE(flat.Intersects({50, 14, 51, 15}));
}

TEST(DrawObj, HandlesFollowTheRawRectangle)
{
    DocWithPage d;
    auto* rect = d.Add<CDrawRect>(PageRect{10, 10, 50, 40});
    EXPECT_EQ(rect->GetHandleRect(0), (PageRect{4, 4, 10, 10}));
    EXPECT_EQ(rect->GetHandleRect(4), (PageRect{50, 40, 56, 46}));
    EXPECT_EQ(rect->GetHandleRect(7), (PageRect{4, 22, 10, 28}));
    EXPECT_EQ(rect->HitTestHandle(5, 5), 0);
    EXPECT_EQ(rect->HitTestHandle(30, 30), -1);
    // Dragging handle 4 past the left edge flips the rectangle.
    EXPECT_TRUE(rect->MoveHandleTo(4, 0, 60));
    EXPECT_EQ(rect->RawRect(), (PageRect{10, 10, 0, 60}));
    EXPECT_EQ(rect->Bounds(), (PageRect{0, 10, 10, 60}));
    EXPECT_EQ(rect->GetHandleRect(4), (PageRect{-6, 60, 0, 66})); // at the dragged corner
    EXPECT_FALSE(rect->MoveHandleTo(8, 0, 0));
    // On a tiny object overlapping squares resolve to the first handle.
    CDrawRect tiny(PageRect{10, 10, 11, 11});
    EXPECT_EQ(tiny.HitTestHandle(9, 5), 0); // also inside handle 1's square
}

TEST(DrawObj, StoredWrapPointsFollowWidthFontAndSpacing)
{
    // No editor: the model alone keeps the wrap points where the terminal's
    // cells put them (a whole cell for 中, half a cell for a).
    DocWithPage d;
    auto* text = d.Add<CDrawText>({0, 0, 2000, 300});
    text->SetText(u"中中中中中中中中中中中中\r\naaaa aaaa aaaa");
    const int cell = FindTerminalFont(1)->cellWidth;
    text->SetSize(5 * cell + 1, 300);
    EXPECT_EQ(text->Text(), u"中中中中中\n中中中中中\n中中\r\naaaa aaaa \naaaa\n");

    // Wider again: the old wrap points go, the line break stays.
    text->SetSize(2000, 300);
    EXPECT_EQ(text->Text(), u"中中中中中中中中中中中中\r\naaaa aaaa aaaa\n");

    // Spacing widens every character; a larger font's cells are wider.
    text->SetSize(5 * (cell + 2) + 1, 300);
    text->SetCharSpacing(2);
    EXPECT_EQ(text->Text(), u"中中中中中\n中中中中中\n中中\r\naaaa \naaaa aaaa\n");
    text->SetCharSpacing(0);
    text->SetFontId(3);
    const size_t perRow = size_t(5 * (cell + 2) / FindTerminalFont(3)->cellWidth);
    EXPECT_EQ(text->Text().substr(0, perRow + 1), std::u16string(perRow, u'中') + u'\n');

    // The text is stored before the size change is reported.
    d.seen.Clear();
    text->SetSize(2000, 300);
    ASSERT_FALSE(d.seen.changes.empty());
    EXPECT_EQ(d.seen.changes.back().second, uint32_t(kChangedSize));
    EXPECT_EQ(text->Text(), u"中中中中中中中中中中中中\r\naaaa aaaa aaaa\n");

    // Opening a file keeps the wrap points it holds.
    text->SetText(u"a\nb");
    CPageDoc copy;
    ASSERT_FALSE(copy.LoadFromBytes(d.doc.SaveToBytes()));
    EXPECT_EQ(static_cast<CDrawText*>(copy.PageAt(0)->Objects()[0].get())->Text(), u"a\nb");
}
