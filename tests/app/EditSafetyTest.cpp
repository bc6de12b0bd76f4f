#include "EditSafetyTest.h"

#include "AppTestSupport.h"
#include "EditFixture.h"
#include "app/frame/CMyStatusBar.h"
#include "app/panes/CPageList.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "app/page/ObjectClipboard.h"
#include "app/props/CPaneProp.h"
#include "app/props/CPropBase.h"
#include "app/props/CPropCtrls.h"
#include "app/props/CPropList.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace kdx::test {
namespace {

constexpr PropId kSizeField = PropId::RectSize;
constexpr PropId kPageNameField = PropId::PageName;
constexpr PropId kPageIdField = PropId::PageId;
constexpr PropId kTopLeftField = PropId::RectTopLeft;

CPropCtrlEdit* Field(EditorFixture& f, PropId id)
{
    CPropBase* shown = f.frame.findChild<CPaneProp*>()->List()->ShownPage();
    return qobject_cast<CPropCtrlEdit*>(shown ? shown->Control(id) : nullptr);
}

// Types into the field as a user does, without Enter.
void Type(CPropCtrlEdit* field, const QString& text)
{
    QVERIFY(field);
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    field->selectAll();
    QTest::keyClicks(field, text);
    QVERIFY(field->isModified());
}

QString Status(EditorFixture& f) { return f.frame.StatusBar()->MessageText(); }

// The project as the file on disk holds it.
std::unique_ptr<CPageDoc> ReadBack(const QString& path)
{
    auto doc = std::make_unique<CPageDoc>();
    doc->SetImageDecoding(false);
    if (doc->OpenProject(path))
        return nullptr;
    return doc;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QWidget* ToolButton(EditorFixture& f, int id) { return f.frame.StandardBar()->widgetForAction(f.frame.Action(id)); }

// Chooses a command of the page list pane's caption menu, as a click does.
void ChooseFromCaptionMenu(EditorFixture& f, int id)
{
    f.frame.PageListPane()->MenuButton()->click();
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    for (QAction* action : menu->actions())
        if (action->data().toInt() == id)
            action->trigger();
    menu->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

} // namespace

void EditSafetyTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void EditSafetyTest::deletingThePageWhoseNameIsBeingTyped()
{
    // The caption's menu button takes no focus and the popup's focus loss
    // commits nothing: the typed name is still pending when the page goes.
    EditorFixture f(m_dir.filePath(QStringLiteral("delete.kdp")));
    CPropCtrlEdit* name = Field(f, kPageNameField);
    Type(name, QStringLiteral("Renamed"));
    ChooseFromCaptionMenu(f, ID_PAGE_DELETE);
    QTRY_COMPARE(f.doc.PageCount(), size_t(1));
    // The page left is current, shown and listed; nothing points at the
    // page that went.
    CPage* left = f.doc.PageAt(0);
    QCOMPARE(f.doc.CurrentPage(), left);
    QCOMPARE(left->Objects().size(), size_t(1));
    QCOMPARE(f.frame.findChild<CPageList*>()->SelectedIndex(), 0);
    QCOMPARE(Field(f, kPageNameField)->text(), left->Name());
    QVERIFY(!Field(f, kPageNameField)->isModified());
    f.Settle();
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.doc.PageCount(), size_t(2));
    QCOMPARE(f.object(0, 1)->JumpTarget(), f.page(1)->PageId());
}

void EditSafetyTest::typedValueIsCommittedBeforeSaveCompileAndClose()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("commit.kdp")));
    QVERIFY(!f.doc.IsModified());

    // Ctrl+S with a page name typed into an unchanged project saves it.
    Type(Field(f, kPageNameField), QStringLiteral("Alpha"));
    QTest::keyClick(Field(f, kPageNameField), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(!f.doc.IsModified());
    QCOMPARE(ReadBack(f.path)->PageAt(0)->Name(), QStringLiteral("Alpha"));

    // The compile button with a corner typed: saved first, then compiled.
    f.Click({30, 20});
    Type(Field(f, kTopLeftField), QStringLiteral("5,6"));
    QTest::mouseClick(ToolButton(f, ID_PROJECT_COMPILE), Qt::LeftButton);
    QCOMPARE(f.frame.compileQuestions, 1); // answered with no file: nothing runs
    QCOMPARE(ReadBack(f.path)->PageAt(0)->Objects()[0]->Bounds(), (PageRect{5, 6, 50, 30}));

    // Closing the window with a page id typed asks to save the change.
    QTest::keyClick(f.wnd(), Qt::Key_Escape);
    Type(Field(f, kPageIdField), QStringLiteral("9"));
    ModalDriver driver;
    driver.Answer(QMessageBox::Cancel);
    driver.Run([&] { f.frame.close(); });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QVERIFY(driver.boxes[0].text.startsWith(QStringLiteral("是否将改动保存到")));
    QVERIFY(f.frame.isVisible());
    QCOMPARE(f.page(0)->PageId(), 9u);

    // A click on the page view acts on the committed value.
    QApplication::setActiveWindow(&f.frame); // the question took the activation
    Type(Field(f, kPageNameField), QStringLiteral("Beta"));
    f.Click({120, 115});
    QCOMPARE(f.page(0)->Name(), QStringLiteral("Beta"));
    QVERIFY(f.wnd()->IsSelected(f.object(0, 1)));
    f.doc.SetModifiedFlag(false);
}

void EditSafetyTest::refusedValueStopsTheCommandAndTheClick()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("refuse.kdp")));
    const QByteArray saved = FileBytes(f.path);
    CDrawObj* a = f.object(0, 0);
    f.Click({30, 20});

    Type(Field(f, kTopLeftField), QStringLiteral("5;6"));
    QTest::keyClick(Field(f, kTopLeftField), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(Status(f), QStringLiteral("坐标错误"));
    QCOMPARE(Field(f, kTopLeftField)->text(), QStringLiteral("10,10"));
    QVERIFY(!f.doc.IsModified());
    QCOMPARE(FileBytes(f.path), saved);

    // A refused value keeps the click from selecting another object.
    ShowStatusMessage(kStatusPlain, QString());
    Type(Field(f, kTopLeftField), QStringLiteral("x"));
    f.Click({120, 115});
    QCOMPARE(Status(f), QStringLiteral("坐标错误"));
    QVERIFY(f.wnd()->IsSelected(a));
    QVERIFY(!f.wnd()->IsSelected(f.object(0, 1)));
    QCOMPARE(a->Bounds(), (PageRect{10, 10, 50, 30}));
}

void EditSafetyTest::editingKeysStayInTheFocusedField()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("keys.kdp")));
    f.Click({30, 20});
    CDrawObj* a = f.object(0, 0);
    const std::vector<uint8_t> before = f.Bytes();
    const auto pageUntouched = [&](const char* step) {
        if (f.doc.PageAt(0)->Objects().size() != 3 || f.view->SelectionCount() != 1 || !f.wnd()->IsSelected(a))
            QFAIL(step);
    };
    struct Key {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* name;
    };
    const Key keys[] = {
        {Qt::Key_A, Qt::ControlModifier, "Ctrl+A"}, {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
        {Qt::Key_Delete, Qt::NoModifier, "Delete"}, {Qt::Key_Backspace, Qt::NoModifier, "Backspace"},
        {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"}, {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
        {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"}, {Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y"},
    };
    // The size and corner fields (read-only ones take what they can) and
    // the in-place text editor.
    for (PropId id : {kSizeField, kTopLeftField}) {
        CPropCtrlEdit* field = Field(f, id);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        const QString shown = field->text();
        QGuiApplication::clipboard()->setText(QStringLiteral("7,8"));
        for (const Key& k : keys) {
            QTest::keyClick(field, Qt::Key(k.key), k.modifiers);
            pageUntouched(k.name);
            if (k.key == Qt::Key_A)
                QCOMPARE(field->selectedText(), shown);
            if (k.key == Qt::Key_C)
                QCOMPARE(QGuiApplication::clipboard()->text(), shown);
        }
        if (field->isReadOnly())
            QCOMPARE(field->text(), shown);
        QVERIFY(f.Bytes() == before);
        QCOMPARE(f.history().UndoCount(), 0);
        QTest::keyClick(field, Qt::Key_Escape); // what the keys typed is not kept
    }
    f.wnd()->setFocus();
    QVERIFY(f.Bytes() == before);
    CDrawTextEdit* editor = f.OpenTextEditor({250, 50});
    QVERIFY(editor);
    CDrawObj* text = f.object(0, 2);
    QTest::keyClicks(editor, QStringLiteral("ab"));
    for (const Key& k : keys) {
        QTest::keyClick(editor, Qt::Key(k.key), k.modifiers);
        if (f.doc.PageAt(0)->Objects().size() != 3 || !f.wnd()->IsSelected(text) || !editor->isVisible())
            QFAIL(k.name);
    }
}

void EditSafetyTest::escapeRestoresTheFieldAndEndsTextEditing()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("escape.kdp")));
    f.Click({30, 20});
    CPropCtrlEdit* corner = Field(f, kTopLeftField);
    Type(corner, QStringLiteral("99,99"));
    QTest::keyClick(corner, Qt::Key_Escape);
    QCOMPARE(corner->text(), QStringLiteral("10,10"));
    f.wnd()->setFocus(); // leaving the field commits nothing now
    QCOMPARE(f.object(0, 0)->Bounds(), (PageRect{10, 10, 50, 30}));
    QVERIFY(!f.doc.IsModified());

    // In the text editor Escape first drops the selection, then ends
    // editing and writes the text back; the object stays selected.
    CDrawTextEdit* editor = f.OpenTextEditor({250, 50});
    QVERIFY(editor);
    auto* text = static_cast<CDrawText*>(f.object(0, 2));
    QTest::keyClicks(editor, QStringLiteral("hi"));
    QTest::keyClick(editor, Qt::Key_Left, Qt::ShiftModifier);
    QVERIFY(editor->HasSelection());
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(!editor->HasSelection());
    QVERIFY(editor->isVisible());
    QTest::keyClick(editor, Qt::Key_Escape);
    QVERIFY(!editor->isVisible());
    QVERIFY(f.wnd()->EditedObject() != text);
    QVERIFY(QString::fromStdU16String(text->Text()).startsWith(QStringLiteral("hi")));
    QVERIFY(f.wnd()->IsSelected(text));
    QVERIFY(f.wnd()->hasFocus());
}

void EditSafetyTest::jumpsClearedByDeletingOrPastingAreSaid()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("jumps.kdp")));
    const uint32_t first = f.page(0)->PageId();
    const uint32_t second = f.page(1)->PageId();

    // Deleting page 2 clears B's jump and says so; undo brings both back.
    f.doc.SetCurrentPage(f.page(1));
    f.frame.findChild<CPageList*>()->ExecuteCommand(ID_PAGE_DELETE);
    QCOMPARE(Status(f), QStringLiteral("已清除 1 个对象指向该页的跳转目标"));
    QCOMPARE(f.object(0, 1)->JumpTarget(), kNoPage);
    f.Settle();
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.object(0, 1)->JumpTarget(), second);

    // Objects copied in this project keep their jump; copied in another
    // one (another session of the clipboard) they lose it, and that is said.
    f.doc.SetCurrentPage(f.page(0));
    f.wnd()->setFocus();
    f.Click({30, 20});
    f.frame.ExecuteCommand(ID_EDIT_COPY);
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    QCOMPARE(f.object(0, 3)->JumpTarget(), first);
    ShowStatusMessage(kStatusPlain, QString());
    f.frame.Clipboard().NewSession();
    f.frame.ExecuteCommand(ID_EDIT_PASTE);
    QCOMPARE(f.object(0, 4)->JumpTarget(), kNoPage);
    QCOMPARE(Status(f), QStringLiteral("已清除 1 个粘贴对象的跳转目标（目标页面不在本工程中）"));
    f.doc.SetModifiedFlag(false);
}

} // namespace kdx::test
