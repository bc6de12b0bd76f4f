#include <QFontDatabase>
#include <QtTest>
#include <algorithm>
#include <vector>

#include "edit/EditCommand.h"
#include "edit/EditModel.h"

using namespace kdx;
using C = EditCommand;

namespace {

// A view of `visible` rows that scrolls as the control does, keeps the
// caret in sight after a move, and a clipboard of its own.
class FakeView : public EditView {
public:
    EditModel* model = nullptr;
    int first = 0;
    int visible = 4;
    bool readOnly = false;
    int refused = 0;
    std::u16string clipboard;

    int FirstRow() const override { return first; }
    int VisibleRows() const override { return visible; }
    int ScrollTo(int row) override
    {
        first = std::clamp(row, 0, std::max(0, model->Store().RowCount() - visible + 1));
        return first;
    }
    void CaretMoved() override
    {
        const int row = model->Selection().Caret().row;
        first = row < first ? row : std::max(first, row - visible + 1);
    }
    void RepaintRows(int, int) override {}
    void RepaintAll() override {}
    bool RefuseIfReadOnly() override
    {
        refused += readOnly;
        return readOnly;
    }
    void SetModified(bool) override {}
    void AfterEdit(bool) override {}
    bool Copy() override
    {
        if (!model->HasSelection())
            return false;
        clipboard = model->SelectedText();
        return true;
    }
    bool Paste() override
    {
        if (clipboard.empty())
            return false;
        model->PasteText(clipboard, false);
        return true;
    }
};

// A model with terminal cells: ASCII 8 pixels wide, other characters 16.
struct Fixture {
    FakeView view;
    EditModel model{view};
    Fixture()
    {
        view.model = &model;
        model.Metrics().SetFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont), 16, 16);
    }
};

int OffsetOf(const std::u16string& text, TextPos pos)
{
    size_t offset = 0;
    for (int line = 0; line < pos.line; ++line)
        offset = text.find(u"\r\n", offset) + 2;
    return static_cast<int>(offset) + pos.column;
}

TextPos PosAt(const std::u16string& text, int offset)
{
    TextPos pos;
    for (size_t at = text.find(u"\r\n"); at != std::u16string::npos && int(at) < offset; at = text.find(u"\r\n", at + 2)) {
        ++pos.line;
        pos.column = offset - int(at) - 2;
    }
    if (pos.line == 0)
        pos.column = offset;
    return pos;
}

// Text with `|` at the caret and `^` at the anchor of a selection.
void Place(Fixture& f, QString marked)
{
    const int anchorAt = marked.indexOf('^');
    const int caretAt = marked.indexOf('|');
    // Each offset counts the other mark when that stands before it.
    const int anchor = anchorAt - (anchorAt > caretAt ? 1 : 0);
    const int caret = caretAt - (anchorAt >= 0 && anchorAt < caretAt ? 1 : 0);
    marked.remove('^');
    marked.remove('|');
    const std::u16string text = marked.toStdU16String();
    f.model.InsertAt({}, text);
    f.model.Document().ResetUndo();
    f.model.SetCaretLogical(PosAt(text, caret));
    if (anchor >= 0)
        f.model.SetStreamSelection(PosAt(text, anchor), PosAt(text, caret));
}

QString Marked(const EditModel& model)
{
    std::u16string text = model.Store().AllText();
    const int caret = OffsetOf(text, model.CaretPos());
    const int anchor = model.HasSelection() ? OffsetOf(text, model.Selection().Anchor()) : -1;
    if (anchor > caret)
        text.insert(anchor, u"^");
    text.insert(caret, u"|");
    if (anchor >= 0 && anchor <= caret)
        text.insert(anchor, u"^");
    return QString::fromStdU16String(text);
}

struct Case {
    const char* name;
    const char16_t* start;
    std::vector<EditCommand> commands;
    const char16_t* expected;
};

const char16_t* const kTenLines = u"|0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9";

const Case kCases[] = {
    {"word steps right stop at CJK runs, punctuation and after blanks", u"|你好，世界 abc.def",
     {C::WordRight, C::WordRight, C::WordRight, C::WordRight}, u"你好，世界 abc|.def"},
    {"word steps left", u"你好，世界 abc.def|", {C::WordLeft, C::WordLeft, C::WordLeft}, u"你好，世界 |abc.def"},
    {"a word step left from a line start goes to the line before", u"ab\r\n|cd", {C::WordLeft}, u"ab|\r\ncd"},
    {"extending keeps the anchor", u"ab|cdef gh", {C::SelectCharRight, C::SelectWordRight}, u"ab^cdef |gh"},
    {"a plain move collapses a selection to its side", u"ab^cdef|", {C::CharLeft}, u"ab|cdef"},
    {"a word move collapses too", u"ab|cdef^ gh", {C::WordRight}, u"abcdef| gh"},
    {"vertical moves keep the x they started at", u"abc|def\r\nxy\r\nabcdefgh",
     {C::SelectLineDown, C::SelectLineDown}, u"abc^def\r\nxy\r\nabc|defgh"},
    {"home toggles between the indent and the row start", u"  ab|c", {C::RowStart, C::RowStart}, u"|  abc"},
    {"selecting to the document start", u"ab\r\ncd|", {C::SelectDocumentStart}, u"|ab\r\ncd^"},
    {"delete word back takes blanks and then punctuation", u"alpha, beta|", {C::BackspaceWord, C::BackspaceWord},
     u"alpha|"},
    {"undo of a delete word brings back the word", u"alpha, beta|", {C::BackspaceWord, C::Undo},
     u"alpha, beta|"},
    {"redo deletes it again", u"alpha, beta|", {C::BackspaceWord, C::Undo, C::Redo}, u"alpha, |"},
    {"delete word forward takes the blanks after it", u"|beta  gamma", {C::DeleteWord}, u"|gamma"},
    {"backspace at a line start joins the lines", u"ab\r\n|cd", {C::Backspace}, u"ab|cd"},
    {"a new line repeats the indent", u"\tab|", {C::NewLine}, u"\tab\r\n\t|"},
    {"in overwrite mode a new line only moves down", u"ab|cd\r\nef", {C::ToggleOverwrite, C::NewLine},
     u"abcd\r\n|ef"},
    {"cut and paste", u"^ab|cd", {C::Cut, C::CharRight, C::Paste}, u"cab|d"},
    {"cut without a selection deletes nothing", u"ab|cd", {C::Cut}, u"ab|cd"},
    {"select all", u"ab\r\n|cd", {C::SelectAll}, u"^ab\r\ncd|"},
    {"page down keeps the caret's place on screen and stops at the end", kTenLines,
     {C::PageDown, C::PageDown, C::PageDown}, u"0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n|7\r\n8\r\n9"},
    {"page down first collapses a selection to its end", u"^0\r\n1|\r\n2\r\n3\r\n4\r\n5\r\n6",
     {C::PageDown}, u"0\r\n1\r\n2\r\n3\r\n4|\r\n5\r\n6"},
    {"page up at the top goes to the first row", u"0\r\n1|\r\n2", {C::PageUp}, u"0|\r\n1\r\n2"},
    {"scrolling drags the caret only when it leaves the view", kTenLines, {C::ScrollDown, C::ScrollDown},
     u"0\r\n1\r\n|2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9"},
};

} // namespace

class EditCommandTest : public QObject {
    Q_OBJECT
private slots:
    void commandsOnTheModel();
    void readOnlyRefusesEditsButNotMoves();
    void keysFindTheirCommands();
};

void EditCommandTest::commandsOnTheModel()
{
    QStringList failures;
    for (const Case& c : kCases) {
        Fixture f;
        Place(f, QString::fromUtf16(c.start));
        for (EditCommand command : c.commands)
            RunEditCommand(f.model, command);
        const QString got = Marked(f.model);
        const QString expected = QString::fromUtf16(c.expected);
        if (got != expected)
            failures << QString("%1: got \"%2\", expected \"%3\"").arg(c.name, got, expected).replace("\r\n", "\\r\\n");
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join("\n")));
}

void EditCommandTest::readOnlyRefusesEditsButNotMoves()
{
    Fixture f;
    Place(f, "^ab|cd");
    f.view.readOnly = true;
    for (EditCommand command : {C::Backspace, C::DeleteWord, C::NewLine, C::Tab, C::Cut, C::Undo})
        RunEditCommand(f.model, command);
    QCOMPARE(f.view.refused, 6);
    QVERIFY(f.view.clipboard.empty());
    RunEditCommand(f.model, C::Copy);
    QCOMPARE(f.view.clipboard, std::u16string(u"ab"));
    RunEditCommand(f.model, C::RowEnd);
    QCOMPARE(Marked(f.model), QString("abcd|"));
}

void EditCommandTest::keysFindTheirCommands()
{
    // Alt and Meta do not change the control's keys; Shift does not change
    // the deleting keys, nor Ctrl the page keys.
    QCOMPARE(FindEditKey(Qt::Key_Left, Qt::AltModifier), C::CharLeft);
    QCOMPARE(FindEditKey(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier), C::SelectWordRight);
    QCOMPARE(FindEditKey(Qt::Key_Up, Qt::ControlModifier), C::ScrollUp);
    QCOMPARE(FindEditKey(Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier), C::SelectPageDown);
    QCOMPARE(FindEditKey(Qt::Key_Backspace, Qt::ShiftModifier), C::Backspace);
    QCOMPARE(FindEditKey(Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier), C::DeleteWord);
    QCOMPARE(FindEditKey(Qt::Key_Enter, Qt::KeypadModifier | Qt::ControlModifier), C::NewLine);
    // Ctrl+TAB is the control's, so that it does not switch the window's tabs.
    QCOMPARE(FindEditKey(Qt::Key_Tab, Qt::ControlModifier), C::Nothing);
    QCOMPARE(FindEditKey(Qt::Key_Tab, Qt::ShiftModifier), C::Tab);
    QVERIFY(!FindEditKey(Qt::Key_A, Qt::NoModifier));  // typed text
    QVERIFY(!FindEditKey(Qt::Key_Z, Qt::ControlModifier));

    // The Ctrl shortcuts: Shift may be held, Alt and Meta may not.
    QCOMPARE(FindEditShortcut(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier), C::Undo);
    QCOMPARE(FindEditShortcut(Qt::Key_B, Qt::ControlModifier), C::ToggleBookmark);
    QVERIFY(!FindEditShortcut(Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier));
    QVERIFY(!FindEditShortcut(Qt::Key_Z, Qt::NoModifier));
    QVERIFY(!FindEditShortcut(Qt::Key_Left, Qt::ControlModifier));
}

QTEST_MAIN(EditCommandTest)
#include "EditCommandTest.moc"
