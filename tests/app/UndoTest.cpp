#include "UndoTest.h"

#include "AppTestSupport.h"
#include "EditFixture.h"
#include "app/page/CDrawTextEdit.h"
#include "app/panes/CPageList.h"
#include "app/page/CPageView.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/UndoHistory.h"
#include "app/props/CPaneProp.h"
#include "app/props/CPropBase.h"
#include "app/props/CPropCtrls.h"
#include "app/props/CPropList.h"
#include "app/props/CPropPage.h"
#include "model/PageDoc.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <functional>

namespace kdx::test {
namespace {

QPoint Centre(const PageRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Runs one user action and checks that it is one step that undoes to the
// bytes before it and redoes to the bytes of the saved file after it.
void ExpectOneStep(EditorFixture& f, const std::function<void()>& action)
{
    const std::vector<uint8_t> before = f.Bytes();
    const int steps = f.history().UndoCount();
    action();
    f.Settle();
    QCOMPARE(f.history().UndoCount(), steps + 1);
    const QByteArray after = f.Save();
    QVERIFY(!after.isEmpty());
    QVERIFY(f.Bytes() != before);

    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.history().UndoCount(), steps);
    QVERIFY(f.Bytes() == before);
    QVERIFY(f.doc.IsModified()); // the file holds the state after the action
    f.frame.ExecuteCommand(ID_EDIT_REDO);
    QVERIFY(!f.doc.IsModified());
    QCOMPARE(f.Save(), after);
}

} // namespace

void UndoTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void UndoTest::dragsAndCommitsAreOneStepEach()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("drags.kdp")));
    QCOMPARE(f.history().UndoCount(), 0);
    f.frame.UpdateCommandUI();
    QVERIFY(!f.frame.Action(ID_EDIT_UNDO)->isEnabled());
    QVERIFY(!f.frame.Action(ID_EDIT_REDO)->isEnabled());

    // A drag of many mouse moves.
    ExpectOneStep(f, [&] { f.Drag({30, 20}, {60, 45}); });
    QCOMPARE(f.object(0, 0)->Bounds(), (PageRect{40, 35, 80, 55}));

    // A resize by the bottom-right handle of the selected rectangle.
    ExpectOneStep(f, [&] {
        f.Click({120, 115});
        CDrawObj* b = f.object(0, 1);
        QVERIFY(f.wnd()->IsSelected(b));
        f.Drag(Centre(b->GetHandleRect(4)), {170, 160});
    });
    QCOMPARE(f.object(0, 1)->Bounds(), (PageRect{100, 100, 170, 160}));

    // A property field committed with Enter.
    ExpectOneStep(f, [&] {
        f.Click({60, 45});
        CPropBase* shown = f.frame.findChild<CPaneProp*>()->List()->ShownPage();
        auto* field = qobject_cast<CPropCtrlEdit*>(shown ? shown->Control(PropId::RectTopLeft) : nullptr);
        QVERIFY(field);
        field->setFocus();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("5,6"));
        QTest::keyClick(field, Qt::Key_Return);
        f.wnd()->setFocus(); // Ctrl+Z in the field would undo its typing
    });
    QCOMPARE(f.object(0, 0)->Bounds(), (PageRect{5, 6, 80, 55})); // the corner moved, not the object

    // A layout command moves several objects in one step.
    ExpectOneStep(f, [&] {
        f.frame.ExecuteCommand(ID_EDIT_SELECT_ALL);
        f.frame.ExecuteCommand(ID_ALIGN_TOP);
    });
    f.frame.UpdateCommandUI();
    QVERIFY(f.frame.Action(ID_EDIT_UNDO)->isEnabled());
    QVERIFY(!f.frame.Action(ID_EDIT_REDO)->isEnabled());
}

void UndoTest::pageDeletionAndTextEditAreOneStepEach()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("pages.kdp")));
    const uint32_t second = f.page(1)->PageId();
    auto* list = f.frame.findChild<CPageList*>();
    QVERIFY(list);

    // Deleting page 2 clears B's jump; undo brings both back.
    ExpectOneStep(f, [&] {
        f.doc.SetCurrentPage(f.page(1));
        list->ExecuteCommand(ID_PAGE_DELETE);
        QCOMPARE(f.doc.PageCount(), size_t(1));
        QCOMPARE(f.object(0, 1)->JumpTarget(), kNoPage);
    });
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.doc.PageCount(), size_t(2));
    QCOMPARE(f.object(0, 1)->JumpTarget(), second);
    QCOMPARE(f.doc.CurrentPage(), f.page(1)); // the deleted page is shown again
    f.frame.ExecuteCommand(ID_EDIT_REDO);
    QCOMPARE(f.doc.PageCount(), size_t(1));

    // Typing in place is one step once the text is committed, however many
    // keys were typed.
    ExpectOneStep(f, [&] {
        f.doc.SetCurrentPage(f.page(0));
        CDrawTextEdit* editor = f.OpenTextEditor({250, 50});
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("abc"));
        QVERIFY(!f.history().HasPendingChange()); // nothing is in the project yet
        f.Click({400, 200}); // leaving the object commits the text
    });
    QCOMPARE(static_cast<CDrawText*>(f.object(0, 2))->Text(), std::u16string(u"abc"));
}

void UndoTest::savedStateAndBound()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("bound.kdp")));
    f.Click({30, 20});
    const PageRect start = f.object(0, 0)->Bounds();

    // Undoing back to the saved state clears the modified mark; a save
    // keeps the history and makes its state the unmodified one.
    QTest::keyClick(f.wnd(), Qt::Key_Right);
    f.Settle();
    QTest::keyClick(f.wnd(), Qt::Key_Right);
    f.Settle();
    QVERIFY(f.doc.IsModified());
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QVERIFY(f.doc.IsModified());
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QVERIFY(!f.doc.IsModified());
    QCOMPARE(f.object(0, 0)->Bounds(), start);
    f.frame.ExecuteCommand(ID_EDIT_REDO);
    QVERIFY(!f.Save().isEmpty());
    QCOMPARE(f.history().UndoCount(), 1);
    QCOMPARE(f.history().RedoCount(), 1);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QVERIFY(f.doc.IsModified());
    f.frame.ExecuteCommand(ID_EDIT_REDO);
    QVERIFY(!f.doc.IsModified());

    // A new action ends the undone steps; the saved state is then out of
    // reach, so undoing everything leaves the project modified.
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QTest::keyClick(f.wnd(), Qt::Key_Down);
    f.Settle();
    QCOMPARE(f.history().RedoCount(), 0);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QVERIFY(f.doc.IsModified());

    // 101 moves keep the last 100 steps.
    f.Click({30, 20});
    const int32_t left = f.object(0, 0)->Bounds().left;
    for (int i = 0; i < 101; ++i) {
        QTest::keyClick(f.wnd(), Qt::Key_Right);
        f.Settle();
    }
    QCOMPARE(f.object(0, 0)->Bounds().left, left + 101);
    QCOMPARE(f.history().UndoCount(), CUndoHistory::kMaxSteps);
    while (f.history().CanUndo())
        f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.object(0, 0)->Bounds().left, left + 1);
    QCOMPARE(f.history().RedoCount(), CUndoHistory::kMaxSteps);
    QVERIFY(f.history().ByteCount() > 0);

    // A new project starts a new history.
    f.doc.SetModifiedFlag(false);
    f.frame.Documents().NewBlankProject();
    QCOMPARE(f.history().UndoCount(), 0);
    QCOMPARE(f.history().RedoCount(), 0);
}

void UndoTest::propertyPaneFollowsTheRestoredSelection()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("pane.kdp")));
    CPropList* list = f.frame.findChild<CPaneProp*>()->List();
    const auto shownObject = [&]() -> CDrawObj* {
        auto* page = qobject_cast<CPropPage*>(list->ShownPage());
        return page ? page->Object() : nullptr;
    };
    f.Click({30, 20});
    QTest::keyClick(f.wnd(), Qt::Key_Down);
    QCOMPARE(shownObject(), f.object(0, 0));

    // Undo reads the project anew: the pane shows the object read back, at
    // its old place, and nothing of the object it replaced.
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.wnd()->PropertyObject(), f.object(0, 0));
    QCOMPARE(shownObject(), f.object(0, 0));
    auto* field = qobject_cast<CPropCtrlEdit*>(list->ShownPage()->Control(PropId::RectTopLeft));
    QVERIFY(field);
    QCOMPARE(field->text(), QStringLiteral("10,10"));
    f.frame.ExecuteCommand(ID_EDIT_REDO);
    QCOMPARE(shownObject(), f.object(0, 0));
    QCOMPARE(field->text(), QStringLiteral("10,11"));

    // Deleting the selected object leaves the pane on the page, and its
    // undo selects and shows the object again.
    f.frame.ExecuteCommand(ID_EDIT_CLEAR);
    QCOMPARE(f.page(0)->Objects().size(), size_t(2));
    QVERIFY(!f.wnd()->PropertyObject());
    QCOMPARE(f.view->SelectionCount(), 0);
    QVERIFY(!shownObject());
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.page(0)->Objects().size(), size_t(3));
    QCOMPARE(shownObject(), f.object(0, 0));
}

void UndoTest::heldKeyIsOneStep()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("held.kdp")));
    f.Click({30, 20});
    const std::vector<uint8_t> before = f.Bytes();
    const auto press = [&](Qt::Key key, bool repeat) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(f.wnd(), &event);
        f.Settle();
    };

    // The press and its auto-repeats move the object by six: one step.
    press(Qt::Key_Right, false);
    for (int i = 0; i < 5; ++i)
        press(Qt::Key_Right, true);
    const std::vector<uint8_t> held = f.Bytes();
    QCOMPARE(f.history().UndoCount(), 1);

    // Another key held after it is a step of its own, as is a new press.
    press(Qt::Key_Down, false);
    press(Qt::Key_Down, true);
    press(Qt::Key_Right, false);
    QCOMPARE(f.history().UndoCount(), 3);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.Bytes(), held);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.Bytes(), before);
    QVERIFY(!f.doc.IsModified());

    // Repeats that arrive after an undo start a step of their own.
    press(Qt::Key_Right, true);
    QCOMPARE(f.history().UndoCount(), 1);
    QCOMPARE(f.history().RedoCount(), 0);
}

void UndoTest::pageAndSelectionComeBack()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("view.kdp")));
    f.Click({30, 20});
    f.Click({120, 115}, Qt::ControlModifier);
    QTest::keyClick(f.wnd(), Qt::Key_Down);
    f.Settle();
    f.doc.SetCurrentPage(f.page(1));
    f.Click({40, 40});
    QCOMPARE(f.view->SelectedObjectIndices(), std::vector<int>{0});

    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.doc.CurrentPage(), f.page(0));
    QCOMPARE(f.view->SelectedObjectIndices(), (std::vector<int>{0, 1}));
    QCOMPARE(f.object(0, 0)->Bounds().top, 10);
    QCOMPARE(f.object(0, 1)->Bounds().top, 100);
    f.Click({400, 200});
    f.frame.ExecuteCommand(ID_EDIT_REDO);
    QCOMPARE(f.view->SelectedObjectIndices(), (std::vector<int>{0, 1}));
    QCOMPARE(f.object(0, 1)->Bounds().top, 101);

    // Ctrl+Z and Ctrl+Y on the page reach the history.
    QTest::keyClick(f.wnd(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(f.object(0, 1)->Bounds().top, 100);
    QTest::keyClick(f.wnd(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(f.object(0, 1)->Bounds().top, 101);

    // In the middle of a drag nothing is undone; the drag becomes the step.
    const int steps = f.history().UndoCount();
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, EditorFixture::At(30, 25));
    QTest::mouseMove(f.wnd(), EditorFixture::At(40, 35));
    QTest::keyClick(f.wnd(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(f.wnd()->IsCapturing());
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, EditorFixture::At(40, 35));
    f.Settle();
    QCOMPARE(f.history().UndoCount(), steps + 1);
    QCOMPARE(f.object(0, 0)->Bounds().top, 21);
}

void UndoTest::textControlKeepsItsOwnUndo()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("text.kdp")));
    QTest::keyClick(f.wnd(), Qt::Key_Down); // (nothing selected: no change)
    f.Click({30, 20});
    QTest::keyClick(f.wnd(), Qt::Key_Down);
    f.Settle();
    QCOMPARE(f.history().UndoCount(), 1);

    CDrawTextEdit* editor = f.OpenTextEditor({250, 50});
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("xy"));
    QCOMPARE(editor->LineText(0), QStringLiteral("xy"));

    // Ctrl+Z and the undo command both act on the typing, not the project.
    QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
    const QString undone = editor->LineText(0);
    QVERIFY(undone.size() < 2);
    QTest::keyClicks(editor, QStringLiteral("q"));
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(editor->LineText(0), undone);
    QCOMPARE(f.history().UndoCount(), 1);
    QCOMPARE(f.object(0, 0)->Bounds().top, 11);
}

} // namespace kdx::test
