#include <gtest/gtest.h>

#include "edit/UndoLog.h"

using namespace kdx;

TEST(UndoLog, TypingMergesOnOneLineOnly)
{
    UndoLog log;
    for (int i = 0; i < 3; ++i) {
        UndoActionScope typing(log, ACTION_TYPING);
        log.RecordInsert({0, i}, {0, i + 1});
    }
    EXPECT_EQ(log.Total(), 1);
    EXPECT_EQ(log.At(0).end, (TextPos{0, 3}));
    {
        UndoActionScope typing(log, ACTION_TYPING);
        log.RecordInsert({0, 5}, {0, 6});  // not adjacent: a new entry
    }
    {
        UndoActionScope insertion(log, ACTION_INSERTION);
        log.RecordInsert({0, 6}, {0, 7});  // not typing: a new entry
    }
    EXPECT_EQ(log.Total(), 3);
}

TEST(UndoLog, GroupFlagsMarkCompoundActions)
{
    UndoLog log;
    {
        UndoActionScope paste(log, ACTION_PASTE);
        log.RecordDelete({0, 0}, {0, 2}, u"ab");
        UndoActionScope nested(log, ACTION_TYPING);  // nesting keeps the outer type
        log.RecordInsert({0, 0}, {1, 0});
    }
    log.RecordInsert({1, 0}, {1, 1});
    ASSERT_EQ(log.Total(), 3);
    EXPECT_EQ(log.At(0).flags, UNDO_GROUP_START | UNDO_IN_GROUP | UNDO_DELETED);
    EXPECT_EQ(log.At(1).flags, UNDO_IN_GROUP | UNDO_INSERTED);
    EXPECT_EQ(log.At(1).actionType, ACTION_PASTE);
    EXPECT_EQ(log.At(2).flags, UNDO_INSERTED);
    EXPECT_EQ(log.At(0).text, u"ab");
}

TEST(UndoLog, NewEntryDiscardsRedo)
{
    UndoLog log;
    log.RecordInsert({0, 0}, {0, 1});
    log.RecordInsert({0, 1}, {0, 2});
    log.SetPosition(1);
    log.RecordInsert({0, 1}, {0, 3});
    EXPECT_EQ(log.Total(), 2);
    EXPECT_EQ(log.At(1).end, (TextPos{0, 3}));
}

TEST(UndoLog, HalvesAtTheLimit)
{
    UndoLog log;
    for (int i = 0; i < UndoLog::kLimit; ++i) {
        log.RecordInsert({i, 0}, {i, 1});
        if (i < 2048) {
            EXPECT_EQ(log.Total() + log.Spare(), 2048);
        }
    }
    EXPECT_EQ(log.Total(), UndoLog::kLimit);
    log.MarkClean();
    log.RecordInsert({0, 0}, {0, 1});
    EXPECT_EQ(log.Total(), UndoLog::kLimit / 2 + 1);
    EXPECT_EQ(log.Position(), UndoLog::kLimit / 2 + 1);
    EXPECT_EQ(log.CleanPosition(), UndoLog::kLimit / 2);
    EXPECT_EQ(log.At(0).start.line, UndoLog::kLimit / 2);  // the oldest half is gone
    EXPECT_TRUE(log.At(0).flags & UNDO_GROUP_START);
}
