#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "edit/CMyEdit.h"
#include "edit/EditStrings.h"

using namespace kdx;
using namespace kdx::text_control;

namespace {

QFont TestFont()
{
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(16);
    return font;
}

// A shown control with a fixed monospace font.
struct Fixture {
    CMyEdit edit;
    Fixture()
    {
        edit.resize(640, 400);
        edit.SetFont(TestFont());
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
    }
};

void Type(CMyEditCtrl& edit, const QString& text)
{
    QTest::keyClicks(&edit, text);
}

QPoint CellCentre(CMyEditCtrl& edit, int line, int column)
{
    const QPoint p = edit.PointOf(line, column);
    const int width = edit.Metrics().UnitWidth(u'a');
    return p + QPoint(width / 2, edit.Metrics().RowHeight() / 2);
}

QPoint CellLeft(CMyEditCtrl& edit, int line, int column)
{
    return edit.PointOf(line, column) + QPoint(1, edit.Metrics().RowHeight() / 2);
}

// Delivers a drag that enters the viewport, moves to pos and drops there.
Qt::DropAction Drop(CMyEditCtrl& edit, const QMimeData* data, QPoint pos, Qt::KeyboardModifiers modifiers)
{
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(edit.viewport(), &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(edit.viewport(), &move);
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(edit.viewport(), &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace

class EditControlTest : public QObject {
    Q_OBJECT
private slots:
    void newControlHasOneEmptyLine();
    void onlyCrLfBreaksLines();
    void lineQueriesClampAndTruncate();
    void typingUndoesInOneStepAndRedoes();
    void pasteOverSelectionUndoesInOneStep();
    void undoLogHalvesAtLimit();
    void readOnlyRefusesEditsButCopies();
    void textLimitCutsInsertionsToWhatFits();
    void columnBlockCopiesAndPastesAsBlock();
    void homeTogglesBetweenIndentAndColumnZero();
    void tabAdvancesToNextStop();
    void enterKeepsIndentation();
    void altClickStartsColumnBlockOnlyWithoutWrap();
    void dragCopiesWithCtrlAndMovesWithOneUndo();
    void doubleClickOnDelimiterSelectsIt();
    void wrapModeTwoBreaksAfterBlanks();
    void wrapKeepsCaretAndReportsProgress();
    void lineNumberFieldWidensAtTenthLine();
    void bookmarksWrapAroundWithNotice();
    void wordStepsAndDeletion();
    void imeCommitIsTyped();
    void menuTextsAndEnableRules();
    void rightClickOpensMenu();
    void ctrlShortcuts();
    void verticalMovesKeepPreferredX();
    void pageKeysScrollByPage();
    void mouseSelectionForms();
    void clickOnPartlyShownRowDoesNotScroll();
    void wheelAndRightButton();
    void cursorShapes();
    void paintsWithoutCrash();
};

void EditControlTest::newControlHasOneEmptyLine()
{
    CMyEditCtrl edit;
    QCOMPARE(edit.GetLineCount(), 1);
    QCOMPARE(edit.GetLineLength(0), 0);
    QVERIFY(!edit.IsModified());
    QVERIFY(!edit.CanUndo());
    QGuiApplication::clipboard()->setText("before");
    edit.SelectAll();
    QVERIFY(!edit.HasSelection());
    QVERIFY(!edit.Copy());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("before"));
}

void EditControlTest::onlyCrLfBreaksLines()
{
    CMyEditCtrl edit;
    QVERIFY(edit.InsertText(-1, 0, QString("a\r\nb")));
    QCOMPARE(edit.GetLineCount(), 2);
    QCOMPARE(edit.LineText(0), QString("a"));
    QCOMPARE(edit.LineText(1), QString("b"));
    QVERIFY(edit.InsertText(-1, -1, QString("\nc\rd")));
    QCOMPARE(edit.GetLineCount(), 2);
    QCOMPARE(edit.GetLineLength(1), 5);
    QCOMPARE(edit.GetCaret(), (TextPos{1, 5}));
    QVERIFY(edit.IsModified());
    // Explicit positions are clamped into the text.
    QVERIFY(edit.InsertText(99, 99, QString("!")));
    QCOMPARE(edit.LineText(1), QString("b\nc\rd!"));
    QVERIFY(edit.DeleteRange(0, 0, -1, 0));
    QCOMPARE(edit.Text(), QString());
    QCOMPARE(edit.GetLineCount(), 1);
}

void EditControlTest::lineQueriesClampAndTruncate()
{
    CMyEditCtrl edit;
    edit.InsertText(0, 0, QString(40, 'x'));
    char16_t buffer[16];
    QCOMPARE(edit.GetLineText(0, buffer, 16), 15);
    QCOMPARE(buffer[15], char16_t(0));
    QCOMPARE(QString::fromUtf16(buffer), QString(15, 'x'));
    QCOMPARE(edit.GetLineText(1, buffer, 16), 0);
    QCOMPARE(edit.GetLineText(0, buffer, 0), 0);
    QCOMPARE(edit.GetLineLength(-1), -1);
    edit.SetCaret(5, 100);
    QCOMPARE(edit.GetCaret(), (TextPos{0, 40}));
}

void EditControlTest::typingUndoesInOneStepAndRedoes()
{
    Fixture f;
    Type(f.edit, "abc");
    QCOMPARE(f.edit.Text(), QString("abc"));
    QCOMPARE(f.edit.History().Total(), 1);
    QVERIFY(f.edit.Undo());
    QCOMPARE(f.edit.Text(), QString());
    QVERIFY(!f.edit.IsModified());
    QVERIFY(!f.edit.CanUndo());
    QVERIFY(f.edit.Redo());
    QCOMPARE(f.edit.Text(), QString("abc"));
    QCOMPARE(f.edit.GetCaret(), (TextPos{0, 3}));
    QVERIFY(f.edit.IsModified());
    // Typing on another line starts a new step.
    QTest::keyClick(&f.edit, Qt::Key_Return);
    Type(f.edit, "de");
    f.edit.Undo();
    QCOMPARE(f.edit.Text(), QString("abc\r\n"));
}

void EditControlTest::pasteOverSelectionUndoesInOneStep()
{
    CMyEditCtrl edit;
    edit.InsertText(0, 0, QString("keep REPLACED keep"));
    edit.ResetUndo();
    edit.Select(0, 5, 0, 13);
    QGuiApplication::clipboard()->setText("one\ntwo\r\nthree");
    QVERIFY(edit.Paste());
    // A lone LF from another program becomes a line break.
    QCOMPARE(edit.Text(), QString("keep one\r\ntwo\r\nthree keep"));
    QCOMPARE(edit.GetCaret(), (TextPos{2, 5}));
    QVERIFY(edit.Undo());
    QCOMPARE(edit.Text(), QString("keep REPLACED keep"));
    QVERIFY(!edit.CanUndo());
    QVERIFY(edit.Redo());
    QCOMPARE(edit.GetLineCount(), 3);
}

void EditControlTest::undoLogHalvesAtLimit()
{
    CMyEditCtrl edit;
    edit.resize(200, 100);
    for (int i = 0; i < UndoLog::kLimit; ++i)
        edit.InsertText(-1, -1, QString("x"));
    QCOMPARE(edit.History().Total(), UndoLog::kLimit);
    edit.InsertText(-1, -1, QString("y"));
    QCOMPARE(edit.History().Total(), UndoLog::kLimit / 2 + 1);
    int steps = 0;
    while (edit.Undo())
        ++steps;
    QCOMPARE(steps, UndoLog::kLimit / 2 + 1);
    // The oldest half can no longer be undone.
    QCOMPARE(edit.GetLineLength(0), UndoLog::kLimit / 2);
}

void EditControlTest::textLimitCutsInsertionsToWhatFits()
{
    Fixture f;
    f.edit.SetTextLimit(6);
    Type(f.edit, "abcdefgh");
    QCOMPARE(f.edit.Text(), QString("abcdef"));
    QVERIFY(f.edit.Undo());
    QCOMPARE(f.edit.Text(), QString());
    // A line break counts two units and is never cut in half.
    QVERIFY(f.edit.InsertText(-1, -1, QString("abcde\r\nx")));
    QCOMPARE(f.edit.Text(), QString("abcde"));
    f.edit.DeleteRange(0, 0, -1, 0);
    QVERIFY(f.edit.InsertText(-1, -1, QString("abcd\r\nxy")));
    QCOMPARE(f.edit.Text(), QString("abcd\r\n"));
    // Wrap points count one unit each.
    f.edit.DeleteRange(0, 0, -1, 0);
    f.edit.SetTextLimit(7);
    f.edit.SetWrapMode(2, 3);
    Type(f.edit, "abcdefgh");
    QCOMPARE(f.edit.Text(), QString("abcdef"));
    QCOMPARE(f.edit.WrappedLength(), 7);
    // Without a limit nothing is cut.
    f.edit.SetTextLimit(0);
    Type(f.edit, "ghijkl");
    QCOMPARE(f.edit.Text(), QString("abcdefghijkl"));
}

void EditControlTest::readOnlyRefusesEditsButCopies()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("text"));
    f.edit.SetReadOnly(true);
    QSignalSpy notices(&f.edit, &CMyEditCtrl::notified);
    QGuiApplication::clipboard()->setText("clip");
    f.edit.SelectAll();
    const int entries = f.edit.History().Total();
    QVERIFY(!f.edit.InsertText(-1, -1, QString("x")));
    QVERIFY(!f.edit.DeleteRange(0, 0, -1, 0));
    QVERIFY(!f.edit.Paste());
    QVERIFY(!f.edit.Cut());
    QVERIFY(!f.edit.Undo());
    QVERIFY(!f.edit.CanUndo());
    Type(f.edit, "zz");
    QTest::keyClick(&f.edit, Qt::Key_Return);
    QTest::keyClick(&f.edit, Qt::Key_Backspace);
    QTest::keyClick(&f.edit, Qt::Key_Delete);
    QCOMPARE(f.edit.Text(), QString("text"));
    QCOMPARE(f.edit.History().Total(), entries);
    QVERIFY(f.edit.HasSelection());
    QVERIFY(notices.count() >= 9);
    for (const auto& notice : notices) {
        QCOMPARE(notice.at(0).toInt(), int(NOTIFY_READ_ONLY));
        QCOMPARE(notice.at(1).toInt(), 0);
    }
    QVERIFY(f.edit.Copy());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("text"));
}

void EditControlTest::columnBlockCopiesAndPastesAsBlock()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("abcdef\r\nghijkl\r\nmnopqr\r\nxy"));
    // Alt-drag from column 1 of line 0 to column 3 of line 2.
    QTest::mousePress(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 0, 1));
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 2, 3));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 2, 3));
    QVERIFY(f.edit.IsColumnSelection());
    QVERIFY(f.edit.Copy());
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(data->text(), QString("bc\r\nhi\r\nno\r\n"));
    QVERIFY(data->hasFormat(CMyEditCtrl::kColumnBlockMime));

    // Pasting at column 2 of line 3 (beyond the short last line) pads and adds lines.
    f.edit.SetCaret(1, 6);
    QVERIFY(f.edit.Paste());
    QCOMPARE(f.edit.LineText(0), QString("abcdef"));
    QCOMPARE(f.edit.LineText(1), QString("ghijklbc"));
    QCOMPARE(f.edit.LineText(2), QString("mnopqrhi"));
    const QString padded = f.edit.LineText(3);
    QVERIFY(padded.startsWith("xy") && padded.endsWith("no"));
    QVERIFY(padded.mid(2, padded.size() - 4).trimmed().isEmpty());
    QCOMPARE(f.edit.PointOf(3, f.edit.GetLineLength(3) - 2).x(), f.edit.PointOf(1, 6).x());
    QVERIFY(f.edit.Undo());
    QCOMPARE(f.edit.Text(), QString("abcdef\r\nghijkl\r\nmnopqr\r\nxy"));

    // The same text copied by another program pastes as a stream.
    QGuiApplication::clipboard()->setText("bc\r\nhi\r\n");
    f.edit.SetCaret(0, 0);
    f.edit.Paste();
    QCOMPARE(f.edit.LineText(0), QString("bc"));
    QCOMPARE(f.edit.LineText(1), QString("hi"));
    QCOMPARE(f.edit.LineText(2), QString("abcdef"));

    // Deleting a column block removes each row's part.
    f.edit.Undo();
    QTest::mousePress(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 0, 0));
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 1, 2));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 1, 2));
    QTest::keyClick(&f.edit, Qt::Key_Delete);
    QCOMPARE(f.edit.Text(), QString("cdef\r\nijkl\r\nmnopqr\r\nxy"));
    QVERIFY(f.edit.Undo());
    QCOMPARE(f.edit.Text(), QString("abcdef\r\nghijkl\r\nmnopqr\r\nxy"));
}

void EditControlTest::homeTogglesBetweenIndentAndColumnZero()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("    abc"));
    QTest::keyClick(&f.edit, Qt::Key_Home);
    QCOMPARE(f.edit.GetCaret().column, 4);
    QTest::keyClick(&f.edit, Qt::Key_Home);
    QCOMPARE(f.edit.GetCaret().column, 0);
    QTest::keyClick(&f.edit, Qt::Key_Home);
    QCOMPARE(f.edit.GetCaret().column, 4);
    QTest::keyClick(&f.edit, Qt::Key_End, Qt::ShiftModifier);
    QCOMPARE(f.edit.SelectedText(), QString("abc"));
    QTest::keyClick(&f.edit, Qt::Key_Left);
    QCOMPARE(f.edit.GetCaret().column, 4);
    QVERIFY(!f.edit.HasSelection());
    f.edit.InsertText(-1, -1, QString("\r\n  "));
    QTest::keyClick(&f.edit, Qt::Key_Home);
    QCOMPARE(f.edit.GetCaret().column, 0);  // a blank row's "first non-blank" is its end
    QTest::keyClick(&f.edit, Qt::Key_Home);
    QCOMPARE(f.edit.GetCaret().column, 2);
}

void EditControlTest::tabAdvancesToNextStop()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("abc\tx"));
    const int space = f.edit.Metrics().SpaceWidth();
    const int tabWidth = f.edit.PointOf(0, 4).x() - f.edit.PointOf(0, 3).x();
    QCOMPARE(tabWidth, 5 * space);
    f.edit.SetCaret(0, 4);
    QCOMPARE(f.edit.GetCaret(true).column, 8);
    f.edit.SetTabSize(4);
    QCOMPARE(f.edit.PointOf(0, 4).x() - f.edit.PointOf(0, 3).x(), space);
    f.edit.SetTabSize(65);  // out of range: ignored
    QCOMPARE(f.edit.TabSize(), 4);
    // Spaces instead of a TAB up to the next stop.
    f.edit.SetTabsAsSpaces(true);
    f.edit.SetCaret(0, 1);
    QTest::keyClick(&f.edit, Qt::Key_Tab);
    QCOMPARE(f.edit.LineText(0), QString("a   bc\tx"));
}

void EditControlTest::enterKeepsIndentation()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("\t  code"));
    f.edit.SetCaret(0, 7);
    QTest::keyClick(&f.edit, Qt::Key_Return);
    QCOMPARE(f.edit.LineText(1), QString("\t  "));
    QCOMPARE(f.edit.GetCaret(), (TextPos{1, 3}));
    f.edit.SetOverwriteMode(true);
    f.edit.SetCaret(0, 0);
    QTest::keyClick(&f.edit, Qt::Key_Return);
    QCOMPARE(f.edit.GetLineCount(), 2);
    QCOMPARE(f.edit.GetCaret(), (TextPos{1, 0}));
    Type(f.edit, "ab");
    QCOMPARE(f.edit.LineText(1), QString("ab "));
}

void EditControlTest::altClickStartsColumnBlockOnlyWithoutWrap()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("abcdef\r\nghijkl"));
    QTest::mousePress(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 0, 1));
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 1, 3));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 1, 3));
    QVERIFY(f.edit.IsColumnSelection());
    QCOMPARE(f.edit.SelectedText(), QString("bc\r\nhi\r\n"));

    f.edit.SetWrapMode(1);
    QTest::mousePress(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 0, 1));
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 1, 3));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::AltModifier, CellLeft(f.edit, 1, 3));
    QVERIFY(f.edit.HasSelection());
    QVERIFY(!f.edit.IsColumnSelection());
    QCOMPARE(f.edit.SelectedText(), QString("bcdef\r\nghi"));
}

void EditControlTest::dragCopiesWithCtrlAndMovesWithOneUndo()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("move me here"));
    f.edit.ResetUndo();
    f.edit.Select(0, 0, 0, 5);
    auto drop = [&](Qt::KeyboardModifiers modifiers, int column) {
        std::unique_ptr<QMimeData> data(f.edit.CreateDragMimeData());
        return Drop(f.edit, data.get(), CellLeft(f.edit, 0, column), modifiers);
    };
    // A drop inside the own selection changes nothing.
    drop(Qt::NoModifier, 2);
    QCOMPARE(f.edit.Text(), QString("move me here"));

    QCOMPARE(drop(Qt::ControlModifier, 12), Qt::CopyAction);
    QCOMPARE(f.edit.Text(), QString("move me heremove "));
    QVERIFY(f.edit.Undo());
    QCOMPARE(f.edit.Text(), QString("move me here"));

    f.edit.Select(0, 0, 0, 5);
    QCOMPARE(drop(Qt::NoModifier, 12), Qt::MoveAction);
    QCOMPARE(f.edit.Text(), QString("me heremove "));
    QVERIFY(f.edit.Undo());
    QCOMPARE(f.edit.Text(), QString("move me here"));
    QVERIFY(!f.edit.CanUndo());

    // Text from another program: lone LF becomes a line break; read-only refuses.
    QMimeData foreign;
    foreign.setText("x\ny");
    QCOMPARE(Drop(f.edit, &foreign, CellLeft(f.edit, 0, 0), Qt::NoModifier), Qt::MoveAction);
    QCOMPARE(f.edit.LineText(0), QString("x"));
    QCOMPARE(f.edit.LineText(1), QString("ymove me here"));
    f.edit.SetReadOnly(true);
    QCOMPARE(Drop(f.edit, &foreign, CellLeft(f.edit, 0, 0), Qt::NoModifier), Qt::IgnoreAction);
    QCOMPARE(f.edit.GetLineCount(), 2);
}

void EditControlTest::doubleClickOnDelimiterSelectsIt()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString::fromUtf16(u"你好，世界 word"));
    QTest::mouseDClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, f.edit.PointOf(0, 2) + QPoint(3, 5));
    QCOMPARE(f.edit.SelectedText(), QString::fromUtf16(u"，"));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton);
    QTest::mouseDClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(f.edit, 0, 8));
    QCOMPARE(f.edit.SelectedText(), QString("word"));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton);
}

void EditControlTest::wrapModeTwoBreaksAfterBlanks()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("aaaa bbbb cccc\r\nxxxxxxxxxxxxxxxxxxxxxxx"));
    f.edit.SetWrapMode(2, 10);
    const TextStore& store = f.edit.Store();
    QCOMPARE(store.RowCount(), 2 + 3);
    QCOMPARE(store.Row(0).length, 10);
    QCOMPARE(store.Row(1).length, 4);
    QVERIFY(store.Row(1).IsContinuation());
    QCOMPARE(store.Row(1).startColumn, 10);
    // No blank: a hard break at the width.
    QCOMPARE(store.Row(2).length, 10);
    QCOMPARE(store.Row(4).length, 3);
    QCOMPARE(f.edit.GetLineCount(), 2);
    f.edit.SetWrapMode(0);
    QCOMPARE(store.RowCount(), 2);

    // A delimiter is a break point too; TABs count to their stop.
    f.edit.DeleteRange(0, 0, -1, 0);
    f.edit.InsertText(0, 0, QString::fromUtf16(u"ab，cdefghij\r\n\tx y"));
    f.edit.SetWrapMode(2, 5);
    QCOMPARE(store.Row(0).length, 3);
    QCOMPARE(store.Row(1).length, 5);
    QCOMPARE(store.Row(2).length, 3);
    QCOMPARE(store.Row(3).length, 1);  // the TAB alone fills 8 columns
    QCOMPARE(store.Row(4).startColumn, 8);
    QCOMPARE(store.Row(4).length, 3);
}

void EditControlTest::wrapKeepsCaretAndReportsProgress()
{
    Fixture f;
    QString text;
    for (int i = 0; i < 2000; ++i)
        text += QString("message %1 from the compiler with some words\r\n").arg(i);
    f.edit.InsertText(0, 0, text);
    f.edit.Select(5, 3, 7, 2);
    QSignalSpy notices(&f.edit, &CMyEditCtrl::notified);
    f.edit.resize(200, 300);
    f.edit.SetWrapMode(1);
    QVERIFY(f.edit.Store().RowCount() > 4000);
    QCOMPARE(f.edit.GetCaret(), (TextPos{7, 2}));
    QCOMPARE(f.edit.SelectedText(), f.edit.LineText(5).mid(3) + "\r\n" + f.edit.LineText(6) + "\r\n" + "me");
    QVERIFY(notices.count() >= 50);
    QCOMPARE(notices.last().at(0).toInt(), int(NOTIFY_LAYOUT_PROGRESS));
    QCOMPARE(notices.last().at(1).toInt(), 100);
    // Every row fits the text area.
    const TextStore& store = f.edit.Store();
    for (int r = 0; r < 50; ++r)
        QVERIFY(f.edit.Metrics().XOfColumn(store.Row(r), store.Row(r).length) <= f.edit.TextRect().width() - 1);
}

void EditControlTest::lineNumberFieldWidensAtTenthLine()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9"));
    QCOMPARE(f.edit.GetLineCount(), 9);
    const int narrow = f.edit.NumberFieldWidth();
    QCOMPARE(narrow, std::max(20, f.edit.Metrics().WidestDigit() + 5));
    const int textLeft = f.edit.TextRect().left();
    f.edit.InsertText(-1, -1, QString("\r\n10"));
    QVERIFY(f.edit.NumberFieldWidth() > narrow);
    QVERIFY(f.edit.TextRect().left() > textLeft);
    f.edit.ShowLineNumbers(false);
    QCOMPARE(f.edit.NumberFieldWidth(), 0);
}

void EditControlTest::bookmarksWrapAroundWithNotice()
{
    CMyEdit edit;
    edit.InsertText(0, 0, QString("0\r\n1\r\n2\r\n3"));
    QSignalSpy notices(&edit, &CMyEditCtrl::notified);
    edit.SetCaret(1, 0);
    edit.SetBookmark(true);
    QVERIFY(edit.IsBookmarked(1));
    edit.SetCaret(2, 0);
    QCOMPARE(edit.NextBookmark(false), -1);
    QCOMPARE(edit.NextBookmark(true), 1);
    QCOMPARE(notices.count(), 1);
    QCOMPARE(notices.at(0).at(0).toInt(), int(NOTIFY_BOOKMARK_WRAPPED));
    QCOMPARE(notices.at(0).at(1).toInt(), -1);
    edit.SetCaret(0, 0);
    QCOMPARE(edit.PreviousBookmark(true), 1);
    QCOMPARE(notices.last().at(1).toInt(), 0);
    edit.OnCommand(ID_EDIT_CLEAR_BOOKMARKS);
    QCOMPARE(edit.BookmarkCount(), 0);
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_NEXT_BOOKMARK));
}

void EditControlTest::wordStepsAndDeletion()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("alpha, beta  gamma"));
    f.edit.SetCaret(0, 0);
    QTest::keyClick(&f.edit, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret().column, 5);
    QTest::keyClick(&f.edit, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret().column, 7);
    QTest::keyClick(&f.edit, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret().column, 13);
    QTest::keyClick(&f.edit, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret().column, 7);
    QTest::keyClick(&f.edit, Qt::Key_Left, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret().column, 5);
    QTest::keyClick(&f.edit, Qt::Key_Backspace, Qt::ControlModifier);
    QCOMPARE(f.edit.Text(), QString(", beta  gamma"));
    QTest::keyClick(&f.edit, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(f.edit.Text(), QString("beta  gamma"));
    // Backspace at a line start joins the lines.
    f.edit.InsertText(-1, -1, QString("\r\nz"));
    f.edit.SetCaret(1, 0);
    QTest::keyClick(&f.edit, Qt::Key_Backspace);
    QCOMPARE(f.edit.Text(), QString("beta  gammaz"));
}

void EditControlTest::imeCommitIsTyped()
{
    Fixture f;
    QInputMethodEvent event;
    event.setCommitString(QString::fromUtf16(u"中文"));
    QApplication::sendEvent(&f.edit, &event);
    QCOMPARE(f.edit.Text(), QString::fromUtf16(u"中文"));
    QInputMethodEvent longEvent;
    longEvent.setCommitString(QString(300, 'x'));
    QApplication::sendEvent(&f.edit, &longEvent);
    QCOMPARE(f.edit.GetLineLength(0), 2 + 260);
}

void EditControlTest::menuTextsAndEnableRules()
{
    CMyEdit edit;
    std::unique_ptr<QMenu> menu(edit.CreateContextMenu(nullptr));
    QStringList texts;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            texts << action->text();
    QCOMPARE(texts.size(), 15);
    QVERIFY(texts.contains(QString::fromUtf16(u"列块选择(或按ALT键)(&B)")));
    QCOMPARE(EditString(ID_EDIT_SHOW_WHITESPACE), QString::fromUtf16(u"显示空白字符(&W)"));
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_SELECT_ALL));
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_COPY));
    QVERIFY(edit.IsCommandChecked(ID_EDIT_SHOW_RULER));

    edit.InsertText(0, 0, QString("text"));
    QVERIFY(edit.IsCommandEnabled(ID_EDIT_SELECT_ALL));
    QVERIFY(edit.IsCommandEnabled(ID_EDIT_COLUMN_SELECT));
    QVERIFY(edit.IsCommandEnabled(ID_EDIT_UNDO));
    edit.SetWrapMode(2, 5);
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_COLUMN_SELECT));
    edit.SetReadOnly(true);
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_CLEAR));
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_UNDO));
    QVERIFY(!edit.IsCommandEnabled(ID_EDIT_PASTE));

    QVERIFY(edit.OnCommand(ID_EDIT_SHOW_WHITESPACE));
    QVERIFY(!edit.SpacesAndTabsShown());
    QVERIFY(!edit.LineEndsShown());
    QVERIFY(!edit.IsCommandChecked(ID_EDIT_SHOW_WHITESPACE));
    edit.OnCommand(ID_EDIT_SHOW_RULER);
    QVERIFY(!edit.RulerShown());
    QCOMPARE(edit.RulerRect().height(), 3);
    QVERIFY(!edit.OnCommand(40000));
}

void EditControlTest::rightClickOpensMenu()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("menu text"));
    QTest::mousePress(f.edit.viewport(), Qt::RightButton, Qt::NoModifier, CellLeft(f.edit, 0, 2));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QAction* selectAll = nullptr;
    for (QAction* action : menu->actions())
        if (action->data().toInt() == ID_EDIT_SELECT_ALL)
            selectAll = action;
    QVERIFY(selectAll && selectAll->isEnabled());
    selectAll->trigger();
    menu->close();
    QCOMPARE(f.edit.SelectedText(), QString("menu text"));
}

void EditControlTest::ctrlShortcuts()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("one\r\ntwo"));
    QTest::keyClick(&f.edit, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(f.edit.SelectedText(), QString("one\r\ntwo"));
    QTest::keyClick(&f.edit, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(f.edit.Text(), QString());
    QTest::keyClick(&f.edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&f.edit, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(f.edit.Text(), QString("one\r\ntwoone\r\ntwo"));
    QTest::keyClick(&f.edit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.edit.Text(), QString("one\r\ntwo"));
    QTest::keyClick(&f.edit, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.edit.GetLineCount(), 3);
    QTest::keyClick(&f.edit, Qt::Key_B, Qt::ControlModifier);
    QVERIFY(f.edit.IsBookmarked(2));
}

void EditControlTest::verticalMovesKeepPreferredX()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("abcdef\r\nab\r\nabcdef"));
    f.edit.SetCaret(0, 5);
    QTest::keyClick(&f.edit, Qt::Key_Down);
    QCOMPARE(f.edit.GetCaret(), (TextPos{1, 2}));
    QTest::keyClick(&f.edit, Qt::Key_Down);
    QCOMPARE(f.edit.GetCaret(), (TextPos{2, 5}));
    QTest::keyClick(&f.edit, Qt::Key_Up, Qt::ShiftModifier);
    QCOMPARE(f.edit.SelectedText(), QString("\r\nabcde"));
    QTest::keyClick(&f.edit, Qt::Key_Escape);
    QVERIFY(!f.edit.HasSelection());
    QTest::keyClick(&f.edit, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret(), (TextPos{2, 6}));
    QTest::keyClick(&f.edit, Qt::Key_Right);  // at the end of the text: stays
    QCOMPARE(f.edit.GetCaret(), (TextPos{2, 6}));
    QTest::keyClick(&f.edit, Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.edit.SelectionLength(), f.edit.TextLength());
}

void EditControlTest::pageKeysScrollByPage()
{
    Fixture f;
    QString text;
    for (int i = 0; i < 200; ++i)
        text += QString("line %1\r\n").arg(i);
    f.edit.InsertText(0, 0, text);
    f.edit.SetCaret(0, 0);
    const int page = f.edit.VisibleRows() - 1;
    QVERIFY(page > 3);
    QTest::keyClick(&f.edit, Qt::Key_PageDown);
    QCOMPARE(f.edit.FirstVisibleRow(), page);
    QCOMPARE(f.edit.GetCaret().line, page);
    QTest::keyClick(&f.edit, Qt::Key_PageUp);
    QCOMPARE(f.edit.FirstVisibleRow(), 0);
    QCOMPARE(f.edit.GetCaret().line, 0);
    QTest::keyClick(&f.edit, Qt::Key_PageUp);  // cannot scroll: to the first row
    QCOMPARE(f.edit.GetCaret().line, 0);
    // Ctrl+Down scrolls without moving the caret until it would leave the view.
    f.edit.SetCaret(10, 0);
    const int first = f.edit.FirstVisibleRow();
    QTest::keyClick(&f.edit, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(f.edit.FirstVisibleRow(), first + 1);
    QCOMPARE(f.edit.GetCaret().line, 10);
    // SetCaret centres a caret that was out of view.
    f.edit.SetCaret(150, 0);
    QVERIFY(std::abs(f.edit.FirstVisibleRow() + f.edit.VisibleRows() / 2 - 150) <= 1);
}

void EditControlTest::clickOnPartlyShownRowDoesNotScroll()
{
    Fixture f;
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QString("word%1 tail\r\n").arg(i);
    f.edit.InsertText(0, 0, text);
    f.edit.SetCaret(0, 0);
    // Leave half a row at the bottom of the text area.
    const int rowHeight = f.edit.Metrics().RowHeight();
    const int spare = f.edit.TextRect().height() % rowHeight;
    f.edit.resize(f.edit.width(), f.edit.height() - spare + rowHeight / 2);
    QCOMPARE(f.edit.TextRect().height() % rowHeight, rowHeight / 2);
    const int partRow = f.edit.FirstVisibleRow() + f.edit.VisibleRows();
    const QPoint at(f.edit.PointOf(partRow, 2).x(), f.edit.TextRect().bottom() - 1);

    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(f.edit.FirstVisibleRow(), 0);
    QCOMPARE(f.edit.GetCaret().line, partRow);
    QTest::mouseDClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(f.edit.GetCaret().line, partRow);
    QCOMPARE(f.edit.SelectedText(), QString("word%1").arg(partRow));
    // The keyboard still brings a partly shown row into full view.
    f.edit.SetCaret(partRow - 1, 0);
    QCOMPARE(f.edit.FirstVisibleRow(), 0);
    QTest::keyClick(&f.edit, Qt::Key_Down);
    QCOMPARE(f.edit.FirstVisibleRow(), 1);
}

void EditControlTest::mouseSelectionForms()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("alpha beta gamma delta\r\nsecond line"));
    // Shift-click extends from the caret.
    f.edit.SetCaret(0, 6);
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, Qt::ShiftModifier, CellLeft(f.edit, 0, 10));
    QCOMPARE(f.edit.SelectedText(), QString("beta"));
    // A click in the margin selects the whole row with its line break.
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(f.edit.MarginRect().center().x(), CellLeft(f.edit, 0, 0).y()));
    QCOMPARE(f.edit.SelectedText(), QString("alpha beta gamma delta\r\n"));
    // A double-click then a drag extends by whole words, both ways.
    QTest::mouseDClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(f.edit, 0, 12));
    QCOMPARE(f.edit.SelectedText(), QString("gamma"));
    QTest::mouseMove(f.edit.viewport(), CellCentre(f.edit, 0, 18));
    QCOMPARE(f.edit.SelectedText(), QString("gamma delta"));
    QTest::mouseMove(f.edit.viewport(), CellCentre(f.edit, 0, 1));
    QCOMPARE(f.edit.SelectedText(), QString("alpha beta gamma"));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(f.edit, 0, 1));
    // A plain drag selects a stream.
    QTest::mousePress(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellLeft(f.edit, 1, 0));
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 1, 6));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellLeft(f.edit, 1, 6));
    QCOMPARE(f.edit.SelectedText(), QString("second"));
    QVERIFY(!f.edit.IsColumnSelection());
    // The column request of the menu turns the next drag into a column block, once.
    f.edit.RequestColumnSelection();
    QTest::mousePress(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellLeft(f.edit, 0, 0));
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 1, 2));
    QTest::mouseRelease(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellLeft(f.edit, 1, 2));
    QCOMPARE(f.edit.SelectedText(), QString("al\r\nse\r\n"));
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellLeft(f.edit, 1, 8));
    QVERIFY(!f.edit.HasSelection());
    // A click inside a selection without moving places the caret there.
    f.edit.Select(0, 0, 0, 10);
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, CellLeft(f.edit, 0, 3));
    QVERIFY(!f.edit.HasSelection());
    QCOMPARE(f.edit.GetCaret(), (TextPos{0, 3}));
}

void EditControlTest::wheelAndRightButton()
{
    CMyEditCtrl edit;
    edit.resize(400, 300);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QString("row %1\r\n").arg(i);
    edit.InsertText(0, 0, text);
    edit.SetCaret(0, 0);
    const QPoint at = edit.TextRect().center();
    QWheelEvent down(at, edit.viewport()->mapToGlobal(at), QPoint(), QPoint(0, -15), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit.viewport(), &down);
    QCOMPARE(edit.FirstVisibleRow(), QApplication::wheelScrollLines());
    QCOMPARE(edit.GetCaret().line, 0);
    QWheelEvent up(at, edit.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(edit.viewport(), &up);
    QCOMPARE(edit.FirstVisibleRow(), 0);

    // A right press inside the selection keeps it; outside it moves the caret.
    edit.Select(2, 0, 2, 5);
    QTest::mousePress(edit.viewport(), Qt::RightButton, Qt::NoModifier, CellLeft(edit, 2, 2));
    QVERIFY(edit.HasSelection());
    QTest::mouseRelease(edit.viewport(), Qt::RightButton, Qt::NoModifier, CellLeft(edit, 2, 2));
    QTest::mousePress(edit.viewport(), Qt::RightButton, Qt::NoModifier, CellLeft(edit, 4, 3));
    QVERIFY(!edit.HasSelection());
    QCOMPARE(edit.GetCaret(), (TextPos{4, 3}));
    QTest::mouseRelease(edit.viewport(), Qt::RightButton, Qt::NoModifier, CellLeft(edit, 4, 3));
}

void EditControlTest::cursorShapes()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("text"));
    QTest::mouseMove(f.edit.viewport(), QPoint(f.edit.MarginRect().center().x(), CellLeft(f.edit, 0, 0).y()));
    QCOMPARE(f.edit.viewport()->cursor().shape(), Qt::ArrowCursor);
    QMouseEvent alt(QEvent::MouseMove, CellLeft(f.edit, 0, 1), f.edit.viewport()->mapToGlobal(CellLeft(f.edit, 0, 1)),
                    Qt::NoButton, Qt::NoButton, Qt::AltModifier);
    QApplication::sendEvent(f.edit.viewport(), &alt);
    QCOMPARE(f.edit.viewport()->cursor().shape(), Qt::CrossCursor);
    QTest::mouseMove(f.edit.viewport(), CellLeft(f.edit, 0, 2));
    QCOMPARE(f.edit.viewport()->cursor().shape(), Qt::IBeamCursor);
    f.edit.SetWrapMode(1);
    QApplication::sendEvent(f.edit.viewport(), &alt);
    QCOMPARE(f.edit.viewport()->cursor().shape(), Qt::IBeamCursor);
}

void EditControlTest::paintsWithoutCrash()
{
    Fixture f;
    f.edit.InsertText(0, 0, QString("\tTab and  spaces\r\nselected line\r\nlast"));
    f.edit.SetBookmark(true, 1);
    f.edit.Select(0, 2, 1, 4);
    QImage image(f.edit.viewport()->size(), QImage::Format_RGB32);
    f.edit.viewport()->render(&image);
    // The ruler background, the selection and the current row are painted.
    QCOMPARE(QColor(image.pixel(2, 2)), f.edit.Colour(COLOUR_RULER_BACKGROUND));
    const QPoint selected = f.edit.PointOf(0, 3) + QPoint(1, 1);
    QCOMPARE(QColor(image.pixel(selected)), f.edit.Colour(COLOUR_SELECTION));
    const QPoint current = f.edit.PointOf(2, 4) + QPoint(20, 2);
    QCOMPARE(QColor(image.pixel(current)), f.edit.Colour(COLOUR_BACKGROUND));
}

QTEST_MAIN(EditControlTest)
#include "EditControlTest.moc"
