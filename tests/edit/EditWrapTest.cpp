#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include "edit/CMyEditCtrl.h"

using namespace kdx;

namespace {

constexpr int kLines = 50000;  // about 4 million units: wrapped in the background

QString LongLine(int i)
{
    return QString("%1 the quick brown fox jumps over the lazy dog again and again, then it rests a while")
        .arg(i, 6, 10, QChar('0'));
}

QString LongText()
{
    QStringList lines;
    for (int i = 0; i < kLines; ++i)
        lines << LongLine(i);
    return lines.join("\r\n");
}

// A shown, focused control holding the long text, not wrapped yet.
struct Fixture {
    CMyEditCtrl edit;
    Fixture()
    {
        QFont font("DejaVu Sans Mono");
        font.setPixelSize(16);
        edit.SetFont(font);
        edit.resize(640, 400);
        edit.InsertText(0, 0, LongText());
        edit.ResetUndo();
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.activateWindow();
        edit.setFocus();
    }
    const TextStore& Store() const { return edit.Store(); }
    bool RowFits(int row) const
    {
        const RowEntry& r = Store().Row(row);
        return edit.Metrics().XOfColumn(r, r.length) <= edit.TextRect().width() - 1;
    }
    // Every row on screen is split for the current width: it fits, and as
    // every line is wider than the view, no line is left in one row.
    bool ViewRowsRight() const
    {
        const int first = edit.FirstVisibleRow();
        const int last = std::min(first + edit.VisibleRows(), Store().RowCount() - 1);
        for (int r = first; r <= last; ++r) {
            if (!RowFits(r) || Store().RowsOfLine(Store().FirstRowOf(r)) < 2)
                return false;
        }
        return true;
    }
    bool LineFits(int line) const
    {
        const int first = Store().FirstRowOfLine(line);
        for (int r = first; r < first + RowsOf(line); ++r)
            if (!RowFits(r))
                return false;
        return RowsOf(line) > 1;
    }
    int RowsOf(int line) const { return Store().RowsOfLine(Store().FirstRowOfLine(line)); }
    void FinishWrap()
    {
        QTRY_VERIFY_WITH_TIMEOUT(!edit.IsWrapping(), 60000);
    }
    // The rows the background wrap left must be those a wrap at once makes.
    void ExpectSameAsWrapAtOnce()
    {
        QVERIFY(!edit.IsWrapping());
        std::vector<int> lengths;
        for (int r = 0; r < Store().RowCount(); ++r)
            lengths.push_back(Store().Row(r).length);
        edit.RewrapNow();
        QCOMPARE(Store().RowCount(), int(lengths.size()));
        for (int r = 0; r < Store().RowCount(); ++r)
            QCOMPARE(Store().Row(r).length, lengths[r]);
    }
};

} // namespace

class EditWrapTest : public QObject {
    Q_OBJECT
private slots:
    void viewRowsAtOnceRestInBackgroundWithProgress();
    void editingAndSelectionWhileWrapping();
    void scrollingAheadOfTheWrap();
    void widthChangeDuringWrapRestartsIt();
};

void EditWrapTest::viewRowsAtOnceRestInBackgroundWithProgress()
{
    Fixture f;
    f.edit.SetCaret(12000, 4);
    const int topLine = f.Store().LineOfRow(f.edit.FirstVisibleRow());
    QSignalSpy notices(&f.edit, &CMyEditCtrl::notified);
    f.edit.SetWrapMode(1);
    QVERIFY(f.edit.IsWrapping());
    QVERIFY(f.ViewRowsRight());
    QCOMPARE(f.Store().LineOfRow(f.edit.FirstVisibleRow()), topLine);
    QCOMPARE(f.edit.GetCaret(), (TextPos{12000, 4}));
    // Around the caret the lines are wrapped, far from it not yet.
    QVERIFY(f.LineFits(12000));
    QVERIFY(f.LineFits(12010));
    QCOMPARE(f.RowsOf(18000), 1);
    QCOMPARE(notices.count(), 0);
    // Line numbers meanwhile: the first row of each line knows its line.
    QCOMPARE(f.Store().LineOfRow(f.Store().FirstRowOfLine(18000)), 18000);

    f.FinishWrap();
    QVERIFY(notices.count() >= 2);
    int last = 0;
    for (const auto& n : notices) {
        QCOMPARE(n.at(0).toInt(), int(NOTIFY_LAYOUT_PROGRESS));
        QVERIFY(n.at(1).toInt() > last);
        last = n.at(1).toInt();
    }
    QCOMPARE(last, 100);
    QVERIFY(f.LineFits(18000));
    // The view stayed on the caret's text and the scroll range was corrected.
    QCOMPARE(f.Store().LineOfRow(f.edit.CaretRow()), 12000);
    QVERIFY(f.edit.CaretRow() >= f.edit.FirstVisibleRow());
    QVERIFY(f.edit.CaretRow() < f.edit.FirstVisibleRow() + f.edit.VisibleRows());
    QCOMPARE(f.edit.verticalScrollBar()->maximum(), f.Store().RowCount() - f.edit.VisibleRows() + 1);
    f.ExpectSameAsWrapAtOnce();
}

void EditWrapTest::editingAndSelectionWhileWrapping()
{
    Fixture f;
    f.edit.SetCaret(10000, 6);
    f.edit.SetWrapMode(1);
    QVERIFY(f.edit.IsWrapping());
    QTest::keyClicks(&f.edit, "XY");
    QCOMPARE(f.edit.LineText(10000), LongLine(10000).insert(6, "XY"));
    QCOMPARE(f.edit.GetCaret(), (TextPos{10000, 8}));
    QTest::keyClick(&f.edit, Qt::Key_Backspace);
    QCOMPARE(f.edit.LineText(10000), LongLine(10000).insert(6, "X"));
    QTest::keyClick(&f.edit, Qt::Key_Return);
    QCOMPARE(f.edit.GetLineCount(), kLines + 1);
    QCOMPARE(f.edit.LineText(10001), LongLine(10000).mid(6));

    // A selection keeps its text while slices re-split rows under it.
    f.edit.Select(9990, 3, 10005, 2);
    const QString selected = f.edit.SelectedText();
    QCOMPARE(selected.left(10), LongLine(9990).mid(3, 10));
    QTest::keyClick(&f.edit, Qt::Key_Down, Qt::ShiftModifier);
    const QString extended = f.edit.SelectedText();
    QVERIFY(extended.startsWith(selected));
    QApplication::processEvents();
    QVERIFY(f.edit.IsWrapping());
    QCOMPARE(f.edit.SelectedText(), extended);

    QTest::keyClick(&f.edit, Qt::Key_Escape);
    QVERIFY(!f.edit.HasSelection());

    // Edits above the wrapped part, across it and below it.
    f.edit.InsertText(3, 0, QString("new\r\nline\r\n"));
    f.edit.DeleteRange(100, 0, 200, 0);
    f.edit.DeleteRange(15000, 10, 15002, 5);
    QVERIFY(f.edit.IsWrapping());
    QCOMPARE(f.edit.LineText(3), QString("new"));
    QCOMPARE(f.edit.LineText(100), LongLine(198));
    f.FinishWrap();
    QCOMPARE(f.edit.GetLineCount(), kLines + 1 + 2 - 100 - 2);
    f.ExpectSameAsWrapAtOnce();
    // Everything typed during the wrap is undone in order.
    while (f.edit.Undo()) {
    }
    QCOMPARE(f.edit.Text(), LongText());
}

void EditWrapTest::scrollingAheadOfTheWrap()
{
    Fixture f;
    f.edit.SetWrapMode(1);
    QVERIFY(f.edit.IsWrapping());
    // Dragging the thumb to the end shows the last lines wrapped at once.
    QScrollBar* bar = f.edit.verticalScrollBar();
    bar->setValue(bar->maximum());
    QVERIFY(f.edit.IsWrapping());
    QVERIFY(f.ViewRowsRight());
    const int bottomLine = f.Store().LineOfRow(f.edit.FirstVisibleRow());
    QVERIFY(bottomLine > kLines - f.edit.VisibleRows());
    QVERIFY(f.LineFits(kLines - 1));
    // Keys move through rows not wrapped yet and land where they should.
    QTest::keyClick(&f.edit, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(f.edit.GetCaret(), (TextPos{kLines - 1, int(LongLine(0).size())}));
    QTest::keyClick(&f.edit, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(f.edit.FirstVisibleRow(), 0);
    QVERIFY(f.ViewRowsRight());
    QTest::keyClick(&f.edit, Qt::Key_PageDown);
    QCOMPARE(f.edit.FirstVisibleRow(), f.edit.VisibleRows() - 1);
    QVERIFY(f.edit.CaretRow() >= f.edit.FirstVisibleRow());
    QVERIFY(f.ViewRowsRight());
    // Clicking a row lands on its text.
    const int line = f.Store().LineOfRow(f.edit.FirstVisibleRow() + 2);
    QTest::mouseClick(f.edit.viewport(), Qt::LeftButton, Qt::NoModifier, f.edit.PointOf(line, 3) + QPoint(1, 4));
    QCOMPARE(f.edit.GetCaret(), (TextPos{line, 3}));
    f.FinishWrap();
    QCOMPARE(f.edit.GetCaret(), (TextPos{line, 3}));
    f.ExpectSameAsWrapAtOnce();
}

void EditWrapTest::widthChangeDuringWrapRestartsIt()
{
    Fixture f;
    QVERIFY(QTest::qWaitForWindowActive(&f.edit));
    QTRY_VERIFY(f.edit.hasFocus());
    f.edit.SetCaret(5000, 0);
    f.edit.SetWrapMode(1);
    QApplication::processEvents();
    QVERIFY(f.edit.IsWrapping());
    const int wide = f.edit.TextRect().width();
    const int rowsWide = f.RowsOf(5000);
    f.edit.resize(360, 400);
    QTRY_VERIFY(f.edit.TextRect().width() < wide);
    QVERIFY(f.edit.IsWrapping());
    QVERIFY(f.ViewRowsRight());
    QVERIFY(f.LineFits(5000));
    QVERIFY(f.RowsOf(5000) > rowsWide);
    f.FinishWrap();
    // Lines the first wrap did before the change are done again.
    for (int r = 0; r < f.Store().RowCount(); r += 97)
        QVERIFY(f.RowFits(r));
    QCOMPARE(f.RowsOf(0), f.RowsOf(5000));
    f.ExpectSameAsWrapAtOnce();
}

QTEST_MAIN(EditWrapTest)
#include "EditWrapTest.moc"
