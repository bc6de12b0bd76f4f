#include "PageListTest.h"

#include "AppTestSupport.h"
#include "app/panes/CPageList.h"
#include "app/frame/EditorStrings.h"
#include "model/PageDoc.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

namespace kdx::test {
namespace {

struct ListFrame {
    TestFrame frame;
    CPageList* list = nullptr;
    CPageDoc& doc;

    explicit ListFrame(int pages = 0) : doc(frame.Document())
    {
        frame.show();
        list = frame.findChild<CPageList*>();
        for (int i = 0; i < pages; ++i)
            doc.AddPage();
        doc.SetModifiedFlag(false);
    }
    ~ListFrame() { doc.SetModifiedFlag(false); }

    QStringList Rows() const
    {
        QStringList rows;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            rows << list->model()->index(row, 0).data().toString();
        return rows;
    }
    QStringList PageNames() const
    {
        QStringList names;
        for (const auto& page : doc.Pages())
            names << page->Name();
        return names;
    }
    QList<bool> Enabled() const
    {
        QList<bool> enabled;
        for (int id : CPageList::MenuItems())
            if (id != 0)
                enabled << list->IsCommandEnabled(id);
        return enabled;
    }
    void Select(int row) { list->setCurrentIndex(list->model()->index(row, 0)); }
};

QLineEdit* LabelEditor(CPageList* list)
{
    return list->viewport()->findChild<QLineEdit*>();
}

} // namespace

void PageListTest::init()
{
    EditorSettings()->clear();
}

void PageListTest::listFollowsTheDocumentWithoutCopies()
{
    ListFrame f;
    QVERIFY(f.list);
    QCOMPARE(f.list->model()->rowCount(), 0);
    QCOMPARE(f.list->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("页面列表"));

    CPage* first = f.doc.AddPage();
    CPage* second = f.doc.AddPage();
    CPage* third = f.doc.AddPage();
    QCOMPARE(f.Rows(), (QStringList{"页面 1", "页面 2", "页面 3"}));
    // A list that had nothing to show picks the first page.
    QCOMPARE(f.doc.CurrentPage(), first);
    QCOMPARE(f.list->SelectedIndex(), 0);

    // Another window picks the current page: the list follows.
    f.doc.SetCurrentPage(third);
    QCOMPARE(f.list->SelectedIndex(), 2);
    QCOMPARE(f.list->currentIndex().row(), 2);

    // Renames and moves made elsewhere show at once; the selection stays
    // on the current page at its new place.
    QVERIFY(f.doc.RenamePage(second, QStringLiteral("设置")));
    f.doc.MovePage(third, CPageDoc::kMoveToFront);
    QCOMPARE(f.Rows(), (QStringList{"页面 3", "页面 1", "设置"}));
    QCOMPARE(f.list->SelectedIndex(), 0);
    QCOMPARE(f.doc.CurrentPage(), third);

    // Opening another project empties the list.
    f.doc.DeleteContents();
    QCOMPARE(f.list->model()->rowCount(), 0);
    QCOMPARE(f.doc.CurrentPage(), nullptr);
    QCOMPARE(f.list->SelectedIndex(), -1);
}

void PageListTest::selectingAnItemMakesItsPageCurrent()
{
    ListFrame f(4);
    QCOMPARE(f.doc.CurrentPage(), f.doc.PageAt(0));
    const QRect third = f.list->visualRect(f.list->model()->index(2, 0));
    QVERIFY(third.isValid());
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(f.doc.CurrentPage(), f.doc.PageAt(2));

    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_Down);
    QCOMPARE(f.doc.CurrentPage(), f.doc.PageAt(3));
    QTest::keyClick(f.list, Qt::Key_Home);
    QCOMPARE(f.doc.CurrentPage(), f.doc.PageAt(0));
    // Choosing a page is no change to the project.
    QVERIFY(!f.doc.IsModified());
}

void PageListTest::menuEnableRulesFollowCountAndSelection()
{
    // Order: add, rename, first, up, down, last, delete, delete all.
    ListFrame f;
    QCOMPARE(f.Enabled(), (QList<bool>{true, false, false, false, false, false, false, false}));

    f.doc.AddPage();
    QCOMPARE(f.Enabled(), (QList<bool>{true, true, false, false, false, false, true, true}));

    f.doc.AddPage();
    f.doc.AddPage();
    QCOMPARE(f.Enabled(), (QList<bool>{true, true, false, false, true, true, true, true}));
    f.Select(1);
    QCOMPARE(f.Enabled(), (QList<bool>{true, true, true, true, true, true, true, true}));
    f.Select(2);
    QCOMPARE(f.Enabled(), (QList<bool>{true, true, true, true, false, false, true, true}));

    // No selection: only adding and deleting all.
    f.list->selectionModel()->clearSelection();
    QCOMPARE(f.Enabled(), (QList<bool>{true, false, false, false, false, false, false, true}));
    // A disabled command does nothing.
    f.list->ExecuteCommand(ID_PAGE_DELETE);
    QCOMPARE(f.doc.PageCount(), size_t(3));

    std::unique_ptr<QMenu> menu(f.list->CreateMenu(nullptr));
    QCOMPARE(menu->objectName(), QStringLiteral("141"));
    QCOMPARE(MenuTexts(menu.get()),
             (QStringList{"添加新页(&N)", "重新命名(&R)", "", "置为首页(&F)", "上移(&U)", "下移(&O)",
                          "移到末尾(&L)", "", "删除本页(&D)", "全部删除(&A)"}));
    QList<bool> shown;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator())
            shown << action->isEnabled();
    QCOMPARE(shown, f.Enabled());
}

void PageListTest::addAndMoveKeepTheCurrentPage()
{
    ListFrame f(3);
    f.Select(1);
    CPage* picked = f.doc.PageAt(1);
    QCOMPARE(f.doc.CurrentPage(), picked);

    f.list->ExecuteCommand(ID_PAGE_ADD);
    QCOMPARE(f.Rows(), (QStringList{"页面 1", "页面 2", "页面 3", "页面 4"}));
    QCOMPARE(f.doc.CurrentPage(), picked);
    QCOMPARE(f.list->SelectedIndex(), 1);
    QVERIFY(f.doc.IsModified());

    const auto check = [&](int command, int place, const QStringList& names) {
        f.doc.SetModifiedFlag(false);
        f.list->ExecuteCommand(command);
        QCOMPARE(f.PageNames(), names);
        QCOMPARE(f.Rows(), names);
        QCOMPARE(f.doc.CurrentPage(), picked);
        QCOMPARE(f.list->SelectedIndex(), place);
        QVERIFY(f.doc.IsModified());
    };
    check(ID_PAGE_MOVE_DOWN, 2, {"页面 1", "页面 3", "页面 2", "页面 4"});
    check(ID_PAGE_MOVE_LAST, 3, {"页面 1", "页面 3", "页面 4", "页面 2"});
    check(ID_PAGE_MOVE_UP, 2, {"页面 1", "页面 3", "页面 2", "页面 4"});
    check(ID_PAGE_MOVE_FIRST, 0, {"页面 2", "页面 1", "页面 3", "页面 4"});

    // At the front, moving toward it is refused and changes nothing.
    f.doc.SetModifiedFlag(false);
    f.list->ExecuteCommand(ID_PAGE_MOVE_UP);
    f.list->ExecuteCommand(ID_PAGE_MOVE_FIRST);
    QCOMPARE(f.PageNames(), (QStringList{"页面 2", "页面 1", "页面 3", "页面 4"}));
    QVERIFY(!f.doc.IsModified());

    // The new page takes the first free name and identifier.
    QVERIFY(f.doc.RenamePage(f.doc.PageAt(2), QStringLiteral("主页")));
    f.list->ExecuteCommand(ID_PAGE_ADD);
    QCOMPARE(f.Rows().last(), QStringLiteral("页面 3"));
    QCOMPARE(f.doc.PageAt(4)->PageId(), 4u);
}

void PageListTest::deletingPagesMovesTheSelection()
{
    ListFrame f(3);
    CPage* first = f.doc.PageAt(0);
    f.Select(2);
    f.list->ExecuteCommand(ID_PAGE_DELETE);
    QCOMPARE(f.Rows(), (QStringList{"页面 1", "页面 2"}));
    // The deleted page was current: the first page takes its place.
    QCOMPARE(f.doc.CurrentPage(), first);
    QCOMPARE(f.list->SelectedIndex(), 0);

    f.list->ExecuteCommand(ID_PAGE_DELETE);
    QCOMPARE(f.Rows(), QStringList{"页面 2"});
    QCOMPARE(f.doc.CurrentPage(), f.doc.PageAt(0));

    f.list->ExecuteCommand(ID_PAGE_DELETE);
    QCOMPARE(f.list->model()->rowCount(), 0);
    QCOMPARE(f.doc.CurrentPage(), nullptr);
    QVERIFY(!f.list->IsCommandEnabled(ID_PAGE_DELETE_ALL));
}

void PageListTest::deleteAllAsksFirst()
{
    ListFrame f(3);
    ModalDriver cancel;
    cancel.Answer(QMessageBox::Cancel);
    cancel.Run([&] { f.list->ExecuteCommand(ID_PAGE_DELETE_ALL); });
    QCOMPARE(cancel.unused(), 0);
    QCOMPARE(cancel.boxes.size(), size_t(1));
    QCOMPARE(cancel.boxes[0].text, QStringLiteral("确认删除全部页面"));
    QCOMPARE(cancel.boxes[0].icon, QMessageBox::Question);
    QCOMPARE(f.doc.PageCount(), size_t(3));
    QVERIFY(!f.doc.IsModified());

    ModalDriver ok;
    ok.Answer(QMessageBox::Ok);
    ok.Run([&] { f.list->ExecuteCommand(ID_PAGE_DELETE_ALL); });
    QCOMPARE(ok.unused(), 0);
    QCOMPARE(f.doc.PageCount(), size_t(0));
    QCOMPARE(f.list->model()->rowCount(), 0);
    QCOMPARE(f.doc.CurrentPage(), nullptr);
    QVERIFY(f.doc.IsModified());
}

void PageListTest::renameInPlaceRefusesBadNames()
{
    ListFrame f(3);
    f.Select(1);
    CPage* page = f.doc.PageAt(1);
    const auto rename = [&](const QString& text, bool byKey) {
        if (byKey) {
            f.list->setFocus();
            QTest::keyClick(f.list, Qt::Key_F2);
        } else {
            f.list->ExecuteCommand(ID_PAGE_RENAME);
        }
        QLineEdit* editor = LabelEditor(f.list);
        QVERIFY(editor);
        QCOMPARE(editor->text(), page->Name());
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!LabelEditor(f.list));
    };

    rename(QStringLiteral("页面 3"), false);
    QCOMPARE(page->Name(), QStringLiteral("页面 2"));
    QCOMPARE(f.Rows()[1], QStringLiteral("页面 2"));
    QVERIFY(!f.doc.IsModified());

    // An emptied label is refused as well.
    f.list->ExecuteCommand(ID_PAGE_RENAME);
    QLineEdit* editor = LabelEditor(f.list);
    QVERIFY(editor);
    editor->clear();
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!LabelEditor(f.list));
    QCOMPARE(page->Name(), QStringLiteral("页面 2"));

    rename(QStringLiteral("页面 2"), true);
    QVERIFY(!f.doc.IsModified());

    rename(QStringLiteral("报警页"), true);
    QCOMPARE(page->Name(), QStringLiteral("报警页"));
    QCOMPARE(f.Rows(), (QStringList{"页面 1", "报警页", "页面 3"}));
    QCOMPARE(f.doc.CurrentPage(), page);
    QVERIFY(f.doc.IsModified());

    // Escape cancels without asking the document.
    f.doc.SetModifiedFlag(false);
    f.list->ExecuteCommand(ID_PAGE_RENAME);
    QVERIFY(LabelEditor(f.list));
    QTest::keyClicks(LabelEditor(f.list), QStringLiteral("x"));
    QTest::keyClick(LabelEditor(f.list), Qt::Key_Escape);
    QTRY_VERIFY(!LabelEditor(f.list));
    QCOMPARE(page->Name(), QStringLiteral("报警页"));
    QVERIFY(!f.doc.IsModified());
}

void PageListTest::menuOpensFromRightClickAndCaptionButton()
{
    ListFrame f(2);
    const auto openMenu = [&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };

    const QPoint inside = f.list->visualRect(f.list->model()->index(1, 0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, inside, f.list->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(f.list->viewport(), &click);
    QTRY_VERIFY(openMenu());
    QCOMPARE(openMenu()->objectName(), QStringLiteral("141"));
    // Chosen from the menu, a command runs once the menu has closed.
    QAction* add = openMenu()->actions().first();
    QCOMPARE(add->data().toInt(), int(ID_PAGE_ADD));
    add->trigger();
    openMenu()->close();
    QTRY_COMPARE(f.doc.PageCount(), size_t(3));
    QTRY_VERIFY(!openMenu());

    auto* pane = qobject_cast<CPaneWorkspace*>(f.frame.PageListPane());
    QVERIFY(pane);
    QCOMPARE(pane->PageList(), f.list);
    pane->MenuButton()->click();
    QTRY_VERIFY(openMenu());
    QCOMPARE(openMenu()->objectName(), QStringLiteral("141"));
    QCOMPARE(openMenu()->actions().size(), 10);
    openMenu()->close();
    QTRY_VERIFY(!openMenu());
}

void PageListTest::rowsKeepOneHeightWhateverTheNames()
{
    ListFrame f(2);
    const auto rowHeight = [&] {
        f.list->doItemsLayout();
        return f.list->visualRect(f.list->model()->index(1, 0)).height();
    };
    f.doc.RenamePage(f.doc.PageAt(0), QStringLiteral("页面 1"));
    f.doc.RenamePage(f.doc.PageAt(1), QStringLiteral("页面 2"));
    const int latin = rowHeight();
    f.doc.RenamePage(f.doc.PageAt(0), QStringLiteral("主页面"));
    f.doc.RenamePage(f.doc.PageAt(1), QStringLiteral("设置页面"));
    QCOMPARE(rowHeight(), latin);
    // Tall enough for a Chinese name in the list's font.
    QVERIFY(latin >= QFontMetrics(f.list->font()).boundingRect(QStringLiteral("设置页面")).height());
}

} // namespace kdx::test
