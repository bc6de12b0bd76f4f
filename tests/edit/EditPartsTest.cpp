#include <QFontDatabase>
#include <QImage>
#include <QMimeData>
#include <QtTest>
#include <memory>

#include "edit/CMyEditCtrl.h"
#include "edit/EditDocument.h"
#include "edit/EditDragDrop.h"
#include "edit/EditSelection.h"

using namespace kdx;

namespace {

// Wraps every line after a fixed number of units, for layout without a font.
class FixedSplitter : public RowSplitter {
public:
    explicit FixedSplitter(int width) : m_width(width) {}
    void Split(const char16_t*, int length, std::vector<RowPiece>& pieces) const override
    {
        for (int offset = 0; offset < length; offset += m_width)
            pieces.push_back({offset, std::min(m_width, length - offset), offset});
    }

private:
    int m_width;
};

// The x range of the pixels in a row band that match a predicate; empty
// (first > second) when none does.
template <typename Match>
std::pair<int, int> InkRange(const QImage& image, int top, int height, int fromX, int toX, Match match)
{
    std::pair<int, int> range{INT_MAX, INT_MIN};
    for (int x = std::max(0, fromX); x < std::min(image.width(), toX); ++x)
        for (int y = top; y < top + height; ++y)
            if (match(image.pixelColor(x, y))) {
                range.first = std::min(range.first, x);
                range.second = std::max(range.second, x);
            }
    return range;
}

bool IsGlyphInk(const QColor& c) { return c.red() < 110 && c.green() < 110 && c.blue() < 110; }
bool IsMarkInk(const QColor& c) { return c.red() > 180 && c.green() < 90 && c.blue() < 90; }

} // namespace

class EditPartsTest : public QObject {
    Q_OBJECT
private slots:
    void documentRecordsEveryEditForUndo();
    void documentCutsInsertionsToTheLimitAndUndoesThem();
    void selectionSpansFollowRowsAfterRewrap();
    void columnSelectionSpansByPixels();
    void dragDataTellsOwnBlocksAndTargets();
    void glyphsStandWhereCaretMarksAndClicksAre_data();
    void glyphsStandWhereCaretMarksAndClicksAre();
};

void EditPartsTest::documentRecordsEveryEditForUndo()
{
    EditDocument doc;
    std::vector<std::pair<int, bool>> changes;
    doc.SetChangeListener([&](int row, bool moved) { changes.emplace_back(row, moved); });
    {
        auto action = doc.Action(ACTION_TYPING);
        doc.Insert({0, 0}, u"one\r\ntwo\r\nthree");
        doc.Remove({2, 2}, {1, 1});  // reversed ends are put in order
    }
    QCOMPARE(doc.Store().AllText(), std::u16string(u"one\r\ntree"));
    QCOMPARE(changes.size(), size_t(2));
    QCOMPARE(changes[0], std::make_pair(0, true));
    QCOMPARE(changes[1], std::make_pair(1, true));
    doc.Insert({9, 9}, u"!");  // clamped to the end
    QCOMPARE(doc.Store().AllText(), std::u16string(u"one\r\ntree!"));
    QCOMPARE(changes.back(), std::make_pair(1, false));

    // The compound action undoes in one step, the lone insertion in another;
    // each undo and redo reports the rows it touched.
    QCOMPARE(doc.Undo({0, 0}), (TextPos{1, 4}));
    QCOMPARE(doc.Store().AllText(), std::u16string(u"one\r\ntree"));
    QCOMPARE(doc.Undo({0, 0}), (TextPos{0, 0}));
    QCOMPARE(doc.Store().AllText(), std::u16string());
    QVERIFY(!doc.CanUndo());
    QCOMPARE(changes.back(), std::make_pair(0, true));
    QCOMPARE(doc.Redo({0, 0}), (TextPos{1, 1}));
    QCOMPARE(doc.Store().AllText(), std::u16string(u"one\r\ntree"));
    QCOMPARE(doc.Redo({0, 0}), (TextPos{1, 5}));
    QVERIFY(!doc.CanRedo());

    // Without undo nothing is kept, and turning it off drops the history.
    doc.SetUndoEnabled(false);
    QVERIFY(!doc.CanUndo());
    doc.Insert({0, 0}, u"x");
    doc.SetUndoEnabled(true);
    QVERIFY(!doc.CanUndo());
    QCOMPARE(doc.Store().AllText(), std::u16string(u"xone\r\ntree!"));
}

void EditPartsTest::documentCutsInsertionsToTheLimitAndUndoesThem()
{
    EditDocument doc;
    FixedSplitter splitter(4);
    doc.SetSplitter(&splitter, {});
    doc.SetTextLimit(12);
    // Each wrap point counts one unit: "abcdefgh" is 8 units in 2 rows = 9.
    QCOMPARE(doc.Insert({0, 0}, u"abcdefgh"), (TextPos{0, 8}));
    QCOMPARE(doc.WrappedLength(), 9);
    // Room for 3 more would make 11 units in 3 rows = 13: only 2 fit.
    QCOMPARE(doc.Insert({0, 8}, u"123"), (TextPos{0, 10}));
    QCOMPARE(doc.WrappedLength(), 12);
    // Never half a line break, nor half a surrogate pair: one more unit
    // would fit, but not the whole character.
    doc.SetTextLimit(13);
    QCOMPARE(doc.Insert({0, 0}, u"\r\n"), (TextPos{0, 0}));
    QCOMPARE(doc.Insert({0, 0}, u"\U0001F600"), (TextPos{0, 0}));
    QCOMPARE(doc.Store().AllText(), std::u16string(u"abcdefgh12"));
    // Undo takes back exactly what was inserted, not what was asked for.
    doc.Undo({0, 0});
    QCOMPARE(doc.Store().AllText(), std::u16string(u"abcdefgh"));
    doc.Undo({0, 0});
    QCOMPARE(doc.Store().AllText(), std::u16string());
}

void EditPartsTest::selectionSpansFollowRowsAfterRewrap()
{
    EditDocument doc;
    doc.Insert({0, 0}, u"abcdefghij\r\nklm");
    FixedSplitter four(4);
    doc.SetSplitter(&four, {});  // rows: abcd efgh ij | klm
    const TextMetrics metrics;
    EditSelection selection;
    selection.SetStream(doc.Store(), {1, 2}, {0, 5});  // from the caret back
    QCOMPARE(selection.FirstRow(), 1);
    QCOMPARE(selection.LastRow(), 3);
    QCOMPARE(selection.Length(), 5 + 2 + 2);
    QCOMPARE(selection.Anchor(), (TextPos{1, 2}));
    const auto span = [&](int row) {
        int start = -1;
        int end = -1;
        return selection.RowSpan(doc.Store(), metrics, row, start, end) ? std::make_pair(start, end)
                                                                        : std::make_pair(-1, -1);
    };
    QCOMPARE(span(0), std::make_pair(-1, -1));
    QCOMPARE(span(1), std::make_pair(1, 4));
    QCOMPARE(span(2), std::make_pair(0, 3));  // the line break is selected too
    QCOMPARE(span(3), std::make_pair(0, 2));
    QCOMPARE(selection.Start(doc.Store(), metrics, {0, 5}), (TextPos{0, 5}));
    QCOMPARE(selection.End(doc.Store(), metrics, {0, 5}), (TextPos{1, 2}));

    // Rows re-split under a selection: the spans come from the text, not
    // from marks left in the old rows. Rows: abc def ghi j | klm.
    FixedSplitter three(3);
    doc.SetSplitter(&three, {});
    selection.SetStream(doc.Store(), {1, 2}, {0, 5});
    QCOMPARE(selection.LastRow(), 4);
    QCOMPARE(span(1), std::make_pair(2, 3));
    QCOMPARE(span(2), std::make_pair(0, 3));
    QCOMPARE(span(3), std::make_pair(0, 2));
    QCOMPARE(span(4), std::make_pair(0, 2));
    QVERIFY(selection.Contains(doc.Store(), metrics, {1, 0}, {0, 5}));
    QVERIFY(!selection.Contains(doc.Store(), metrics, {0, 4}, {0, 5}));

    selection.SetStream(doc.Store(), {1, 1}, {1, 1});  // anchor at the caret: nothing
    QVERIFY(!selection.Active());
    QCOMPARE(span(4), std::make_pair(-1, -1));
}

void EditPartsTest::columnSelectionSpansByPixels()
{
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(16);
    TextMetrics metrics;
    metrics.SetFont(font);
    const int w = metrics.UnitWidth(u'a');
    EditDocument doc;
    doc.Insert({0, 0}, u"abcdef\r\nab\r\nabcdefgh");
    EditSelection selection;
    // Dragged from right to left, bottom to top: the block is the same.
    selection.SetColumn(doc.Store(), metrics, 2, 0, 5 * w, 2 * w);
    QVERIFY(selection.IsColumn());
    QCOMPARE(selection.FirstRow(), 0);
    QCOMPARE(selection.LastRow(), 2);
    QCOMPARE(selection.Anchor(), (TextPos{0, 2}));
    int start = 0;
    int end = 0;
    QVERIFY(selection.RowSpan(doc.Store(), metrics, 1, start, end));
    QCOMPARE(std::make_pair(start, end), std::make_pair(2, 2));  // a short row holds none of it
    QVERIFY(selection.RowSpan(doc.Store(), metrics, 2, start, end));
    QCOMPARE(std::make_pair(start, end), std::make_pair(2, 5));
    QCOMPARE(selection.Length(), (3 + 2) + (0 + 2) + (3 + 2));
    QCOMPARE(selection.End(doc.Store(), metrics, {}), (TextPos{2, 5}));
    QVERIFY(selection.Contains(doc.Store(), metrics, {2, 4}, {}));
    QVERIFY(!selection.Contains(doc.Store(), metrics, {2, 6}, {}));
}

void EditPartsTest::dragDataTellsOwnBlocksAndTargets()
{
    int first = 0;
    int second = 0;
    EditDragDrop mine(&first);
    const EditDragDrop other(&second);
    std::unique_ptr<QMimeData> block(mine.CreateDragMimeData(QStringLiteral("ab\r\ncd\r\n"), true));
    QVERIFY(mine.IsFromSelf(block.get()));
    QVERIFY(!other.IsFromSelf(block.get()));
    // A block is the control's own only once handed out, and only as it was.
    QVERIFY(!mine.IsOwnColumnBlock(block.get()));
    mine.RememberBlock(block.get());
    QVERIFY(mine.IsOwnColumnBlock(block.get()));
    QVERIFY(!other.IsOwnColumnBlock(block.get()));
    block->setText(QStringLiteral("ab\r\ncd\r\nx"));
    QVERIFY(!mine.IsOwnColumnBlock(block.get()));
    std::unique_ptr<QMimeData> stream(mine.CreateMimeData(QStringLiteral("a\nb\r\nc\rd"), false));
    QVERIFY(!stream->hasFormat(EditDragDrop::kColumnBlockMime));
    QVERIFY(!mine.IsFromSelf(stream.get()));
    mine.RememberBlock(stream.get());
    QVERIFY(!mine.IsOwnColumnBlock(block.get()));
    QCOMPARE(EditDragDrop::ForeignText(stream.get()), std::u16string(u"a\r\nb\r\nc\rd"));
    QCOMPARE(EditDragDrop::PlainText(stream.get()), std::u16string(u"a\nb\r\nc\rd"));

    // Moving [(1,2), (3,4)) to a target after it: the target shifts up by
    // the lines removed, and along the line when it is on the last one.
    const TextPos start{1, 2};
    const TextPos end{3, 4};
    QCOMPARE(EditDragDrop::MoveTarget({0, 9}, start, end), (TextPos{0, 9}));
    QCOMPARE(EditDragDrop::MoveTarget({3, 4}, start, end), (TextPos{1, 2}));
    QCOMPARE(EditDragDrop::MoveTarget({3, 7}, start, end), (TextPos{1, 5}));
    QCOMPARE(EditDragDrop::MoveTarget({5, 1}, start, end), (TextPos{3, 1}));
}

void EditPartsTest::glyphsStandWhereCaretMarksAndClicksAre_data()
{
    QTest::addColumn<QFont>("font");
    QFont mono("DejaVu Sans Mono");
    mono.setPixelSize(16);
    QTest::newRow("monospace, 9.6 px advances") << mono;
    QTest::newRow("the dialogs' general font") << QFontDatabase::systemFont(QFontDatabase::GeneralFont);
}

// A hex line as the custom data dialog shows it: the last glyph, the marks
// of the spaces and a click on the drawn glyph must all agree with the
// positions the control measures, also where the font's own advances are
// fractional.
void EditPartsTest::glyphsStandWhereCaretMarksAndClicksAre()
{
    QFETCH(QFont, font);
    const QString hex = QStringLiteral("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
    CMyEditCtrl edit;
    edit.resize(900, 200);
    edit.SetFont(font);
    edit.SetColour(COLOUR_TEXT, Qt::black);
    edit.SetColour(COLOUR_BACKGROUND, Qt::white);
    edit.SetColour(COLOUR_WHITESPACE, Qt::red);
    edit.HighlightCurrentLine(false);
    edit.ShowLineEnds(false);
    edit.InsertText(0, 0, hex + QStringLiteral("\r\n"));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    const QImage image = edit.viewport()->grab().toImage();
    const int top = edit.PointOf(0, 0).y();
    const int height = edit.Metrics().RowHeight();
    const auto cellLeft = [&](int column) { return edit.PointOf(0, column).x(); };

    // The last glyph lies in its own cell and nothing is drawn after it.
    const auto last = InkRange(image, top, height, cellLeft(46), cellLeft(47), IsGlyphInk);
    QVERIFY2(last.first <= last.second, "no ink in the last character's cell");
    const auto beyond = InkRange(image, top, height, cellLeft(47) + 1, image.width(), IsGlyphInk);
    QVERIFY2(beyond.first > beyond.second, "text drawn past the measured end of the line");

    // The mark of the last space stands in the gap between the glyphs
    // around it, with no glyph drawn over it.
    const auto mark = InkRange(image, top, height, cellLeft(44), cellLeft(45), IsMarkInk);
    QVERIFY(mark.first <= mark.second);
    const auto onMark = InkRange(image, top, height, mark.first - 1, mark.second + 2, IsGlyphInk);
    QVERIFY2(onMark.first > onMark.second, "a glyph is drawn over the mark of a space");
    const auto before = InkRange(image, top, height, cellLeft(43), mark.first, IsGlyphInk);
    const auto after = InkRange(image, top, height, mark.second + 1, cellLeft(46), IsGlyphInk);
    QVERIFY(before.first <= before.second && after.first <= after.second);

    // A click on the left part of the drawn last glyph puts the caret
    // before it.
    QTest::mouseClick(edit.viewport(), Qt::LeftButton, {}, QPoint(last.first + 1, top + height / 2));
    QCOMPARE(edit.GetCaret().line, 0);
    QCOMPARE(edit.GetCaret().column, 46);
    QVERIFY(edit.PointOf(0, 46).x() <= last.first);
}

QTEST_MAIN(EditPartsTest)
#include "EditPartsTest.moc"
