#include "UndoStepTest.h"

#include "EditFixture.h"
#include "app/page/CDrawTextEdit.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/UndoHistory.h"
#include "app/props/CPaneProp.h"
#include "app/props/CPropBase.h"
#include "app/props/CPropCtrls.h"
#include "app/props/CPropLink.h"
#include "app/props/CPropList.h"
#include "model/PageDoc.h"

#include <QAction>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <deque>
#include <functional>

namespace kdx::test {
namespace {

QPoint Centre(const PageRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

QString MenuText(int id) { return MenuItemText(*FindMenuItem(id)); }

// A random walk of user actions on the editor. Each action is expected to
// be one step of its name when it changes the project and none when it
// does not; undo and redo are checked against the bytes around each step.
class Walk {
public:
    Walk(EditorFixture& f, quint32 seed) : m_f(f), m_rng(seed) {}

    int Actions() const { return m_actions; }
    int Steps() const { return m_steps; }

    void Next()
    {
        switch (m_rng.bounded(12)) {
        case 0: KeyMove(); break;
        case 1: DragMove(); break;
        case 2: Resize(); break;
        case 3: Draw(); break;
        case 4: Delete(); break;
        case 5: Paste(); break;
        case 6: Layout(); break;
        case 7: PageCommand(); break;
        case 8: RenamePage(); break;
        case 9: ObjectField(); break;
        case 10: TypeText(); break;
        default: UndoAndRedo(); break;
        }
    }

private:
    struct Done {
        std::vector<uint8_t> before;
        std::vector<uint8_t> after;
        QString name;
    };

    CUndoHistory& History() { return m_f.history(); }
    CPage* Page() const { return m_f.doc.CurrentPage(); }

    // Runs an action and checks the step it made, at once: nothing waits
    // for the editor to become idle.
    void Expect(const QString& name, const std::function<void()>& action)
    {
        const std::vector<uint8_t> before = m_f.Bytes();
        const int steps = History().UndoCount();
        const int redo = History().RedoCount();
        action();
        ++m_actions;
        const std::vector<uint8_t> after = m_f.Bytes();
        QVERIFY2(!History().HasPendingChange(), qPrintable(name));
        if (after == before) {
            QCOMPARE(History().UndoCount(), steps);
            QCOMPARE(History().RedoCount(), redo);
            return;
        }
        ++m_steps;
        QCOMPARE(History().UndoCount(), std::min(steps + 1, CUndoHistory::kMaxSteps));
        QCOMPARE(History().RedoCount(), 0);
        QCOMPARE(History().UndoName(), name);
        m_f.wnd()->setFocus(); // a focused field would have the menu undo its typing
        QCOMPARE(m_f.frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("撤消 ") + name);
        m_done.push_back({before, after, name});
        if (m_done.size() > size_t(CUndoHistory::kMaxSteps))
            m_done.pop_front();
        m_undone.clear();
    }

    CDrawObj* AnyObject()
    {
        if (!Page() || Page()->Objects().empty())
            return nullptr;
        return Page()->Objects()[m_rng.bounded(quint32(Page()->Objects().size()))].get();
    }
    // An object whose middle lies on the page, where the mouse reaches it.
    CDrawObj* ReachableObject()
    {
        CDrawObj* object = AnyObject();
        const QPoint c = object ? Centre(object->Bounds()) : QPoint(-1, -1);
        const bool inside = c.x() >= 0 && c.y() >= 0 && c.x() < m_f.doc.header.width && c.y() < m_f.doc.header.height;
        return inside ? object : nullptr;
    }
    QPoint Offset(QPoint from)
    {
        const int x = std::clamp(from.x() + int(m_rng.bounded(61)) - 30, 0, m_f.doc.header.width - 1);
        const int y = std::clamp(from.y() + int(m_rng.bounded(61)) - 30, 0, m_f.doc.header.height - 1);
        return {x, y};
    }
    void SelectOnly(CDrawObj* object)
    {
        m_f.wnd()->ClearSelection();
        if (object)
            m_f.view->SelectOnly(object);
        m_f.wnd()->setFocus();
    }

    void KeyMove()
    {
        SelectOnly(AnyObject());
        static constexpr Qt::Key kKeys[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down};
        const Qt::Key key = kKeys[m_rng.bounded(4)];
        Expect(QStringLiteral("移动"), [&] { QTest::keyClick(m_f.wnd(), key); });
    }

    void DragMove()
    {
        CDrawObj* object = ReachableObject();
        if (!object)
            return;
        m_f.wnd()->ClearSelection(); // no handle of a selected object under the mouse
        const QPoint from = Centre(object->Bounds());
        Expect(QStringLiteral("移动"), [&] { m_f.Drag(from, Offset(from)); });
    }

    void Resize()
    {
        CDrawObj* object = ReachableObject();
        if (!object)
            return;
        SelectOnly(object);
        const int handle = object->GetHandleCount() == 2 ? 1 : 4;
        const QPoint from = Centre(object->GetHandleRect(handle));
        if (from.x() < 0 || from.y() < 0 || from.x() >= m_f.doc.header.width || from.y() >= m_f.doc.header.height)
            return;
        Expect(QStringLiteral("改变大小"), [&] { m_f.Drag(from, Offset(from)); });
    }

    void Draw()
    {
        if (!Page() || Page()->Objects().size() > 20)
            return;
        static constexpr int kTools[] = {ID_TOOL_RECT, ID_TOOL_RECT_FILLED, ID_TOOL_ROUND_RECT, ID_TOOL_ELLIPSE,
                                         ID_TOOL_ELLIPSE_FILLED, ID_TOOL_LINE, ID_TOOL_CUSTOM, ID_TOOL_TEXT};
        const int tool = kTools[m_rng.bounded(quint32(std::size(kTools)))];
        const QPoint from(int(m_rng.bounded(300)), int(m_rng.bounded(200)));
        Expect(QStringLiteral("添加") + MenuText(tool), [&] {
            m_f.frame.ExecuteCommand(tool);
            m_f.Drag(from, from + QPoint(10 + int(m_rng.bounded(50)), 10 + int(m_rng.bounded(40))));
        });
        m_f.frame.ExecuteCommand(ID_TOOL_SELECT); // the line tool stays
    }

    void Delete()
    {
        SelectOnly(AnyObject());
        switch (m_rng.bounded(3)) {
        case 0: Expect(QStringLiteral("删除"), [&] { QTest::keyClick(m_f.wnd(), Qt::Key_Delete); }); break;
        case 1: Expect(QStringLiteral("删除"), [&] { m_f.frame.ExecuteCommand(ID_EDIT_CLEAR); }); break;
        default: Expect(MenuText(ID_EDIT_CUT), [&] { m_f.frame.ExecuteCommand(ID_EDIT_CUT); }); break;
        }
    }

    void Paste()
    {
        if (Page() && Page()->Objects().size() > 20)
            return;
        SelectOnly(AnyObject());
        m_f.frame.ExecuteCommand(ID_EDIT_COPY);
        Expect(MenuText(ID_EDIT_PASTE), [&] { m_f.frame.ExecuteCommand(ID_EDIT_PASTE); });
    }

    void Layout()
    {
        static constexpr int kCommands[] = {ID_LAYOUT_UP,   ID_LAYOUT_BOTTOM, ID_ALIGN_LEFT,  ID_ALIGN_BOTTOM,
                                            ID_CENTER_VERT, ID_SPACE_ACROSS,  ID_SAME_HEIGHT, ID_SAME_SIZE};
        const int command = kCommands[m_rng.bounded(quint32(std::size(kCommands)))];
        m_f.wnd()->setFocus();
        if (command == ID_LAYOUT_UP || command == ID_LAYOUT_BOTTOM)
            SelectOnly(AnyObject());
        else
            m_f.frame.ExecuteCommand(ID_EDIT_SELECT_ALL);
        Expect(MenuText(command), [&] { m_f.frame.ExecuteCommand(command); });
    }

    void PageCommand()
    {
        // Another page shown first is no step.
        if (m_rng.bounded(2) == 0)
            m_f.doc.SetCurrentPage(m_f.doc.PageAt(int(m_rng.bounded(quint32(m_f.doc.PageCount())))));
        m_f.wnd()->setFocus();
        const quint32 pick = m_rng.bounded(4);
        if (pick == 0 && m_f.doc.PageCount() < 6)
            Expect(QStringLiteral("添加页面"), [&] { m_f.frame.ExecuteCommand(ID_PAGE_ADD); });
        else if (pick == 1 && m_f.doc.PageCount() > 2)
            Expect(QStringLiteral("删除页面"), [&] { m_f.frame.ExecuteCommand(ID_PAGE_DELETE); });
        else
            Expect(QStringLiteral("移动页面"), [&] {
                m_f.frame.ExecuteCommand(pick == 2 ? ID_PAGE_MOVE_DOWN : ID_PAGE_MOVE_FIRST);
            });
    }

    // A value typed into a field of the property pane and committed with Enter.
    void Commit(PropId id, const QString& text, const QString& name)
    {
        CPropBase* shown = m_f.frame.findChild<CPaneProp*>()->List()->ShownPage();
        auto* field = qobject_cast<CPropCtrlEdit*>(shown ? shown->Control(id) : nullptr);
        if (!field)
            return;
        field->setFocus();
        field->selectAll();
        field->insert(text); // as typed: the field holds a pending value
        Expect(name, [&] { QTest::keyClick(field, Qt::Key_Return); });
        m_f.wnd()->setFocus();
    }

    void RenamePage()
    {
        m_f.wnd()->ClearSelection();
        Commit(PropId::PageName, QStringLiteral("页%1").arg(m_rng.bounded(1000)), QStringLiteral("重命名页面"));
    }

    void ObjectField()
    {
        CDrawObj* object = AnyObject();
        if (!object)
            return;
        SelectOnly(object);
        const QString count = QString::number(m_rng.bounded(6));
        switch (object->Kind()) {
        case ObjectKind::Rect: Commit(PropId::RectSize, QStringLiteral("4%1 x 30").arg(count), QStringLiteral("修改尺寸")); break;
        case ObjectKind::RoundRect: Commit(PropId::RoundRectRadius, count, QStringLiteral("修改圆角半径")); break;
        case ObjectKind::Text: Commit(PropId::TextCharSpacing, count, QStringLiteral("修改字符间隔")); break;
        case ObjectKind::Ellipse: Commit(PropId::EllipseWidth, QStringLiteral("3") + count, QStringLiteral("修改宽度")); break;
        default: {
            // The link page's execution condition, chosen by keyboard.
            auto* list = qobject_cast<CPropCtrlList*>(
                m_f.frame.findChild<CPaneProp*>()->List()->LinkPage()->Control(PropId::LinkCondition));
            if (!list || !list->isVisible())
                return;
            list->setFocus();
            Expect(QStringLiteral("修改执行条件"), [&] { QTest::keyClick(list, Qt::Key_Down); });
            m_f.wnd()->setFocus();
        }
        }
    }

    void TypeText()
    {
        CDrawObj* object = AnyObject();
        if (!object || object->Kind() != ObjectKind::Text)
            return;
        SelectOnly(object);
        m_f.wnd()->EditObject(object);
        CDrawTextEdit* editor = m_f.view->TextEditing().Editor();
        if (!editor || !editor->isVisible())
            return;
        QTest::keyClicks(editor, QStringLiteral("ab"));
        // Escape ends the editing and writes the text back.
        Expect(QStringLiteral("修改文本"), [&] { QTest::keyClick(editor, Qt::Key_Escape); });
        m_f.wnd()->setFocus();
    }

    void UndoAndRedo()
    {
        m_f.wnd()->setFocus(); // in a text field undo would be the field's
        const int back = 1 + int(m_rng.bounded(5));
        for (int i = 0; i < back && !m_done.empty(); ++i) {
            const Done step = m_done.back();
            QCOMPARE(History().UndoName(), step.name);
            m_f.frame.ExecuteCommand(ID_EDIT_UNDO);
            QVERIFY2(m_f.Bytes() == step.before, qPrintable(step.name));
            QCOMPARE(History().RedoName(), step.name);
            QCOMPARE(m_f.frame.Action(ID_EDIT_REDO)->text(), QStringLiteral("恢复 ") + step.name);
            m_undone.push_back(step);
            m_done.pop_back();
        }
        const int forward = int(m_rng.bounded(quint32(back + 1)));
        for (int i = 0; i < forward && !m_undone.empty(); ++i) {
            const Done step = m_undone.back();
            m_f.frame.ExecuteCommand(ID_EDIT_REDO);
            QVERIFY2(m_f.Bytes() == step.after, qPrintable(step.name));
            QCOMPARE(History().UndoName(), step.name);
            m_done.push_back(step);
            m_undone.pop_back();
        }
        m_f.wnd()->setFocus();
    }

    EditorFixture& m_f;
    QRandomGenerator m_rng;
    std::deque<Done> m_done;   // the steps to undo, last on top
    std::vector<Done> m_undone; // the steps to redo, next on top
    int m_actions = 0;
    int m_steps = 0;
};

// Focuses the first page's name field and types "新名字" into it.
CPropCtrlEdit* TypeNewPageName(EditorFixture& f)
{
    f.doc.SetCurrentPage(f.page(0));
    auto* field = qobject_cast<CPropCtrlEdit*>(
        f.frame.findChild<CPaneProp*>()->List()->ShownPage()->Control(PropId::PageName));
    if (field) {
        field->setFocus();
        field->selectAll();
        field->insert(QStringLiteral("新名字"));
    }
    return field;
}

} // namespace

void UndoStepTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void UndoStepTest::randomWalkUndoesAndRedoesEachNamedStep()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("walk.kdp")));
    Walk walk(f, 20261209);
    while (walk.Actions() < 1200) {
        const int before = walk.Actions();
        walk.Next();
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("after %1 actions").arg(before)));
    }
    // Most actions changed the project; the rest were no step at all.
    QVERIFY2(walk.Steps() >= 1000, qPrintable(QString::number(walk.Steps())));
}

void UndoStepTest::committedRenameAndPageDeletionAreTwoSteps()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("rename.kdp")));
    const QString oldName = f.page(0)->Name();
    const uint32_t id = f.page(0)->PageId();
    CPropCtrlEdit* field = TypeNewPageName(f); // typed, no Enter
    QVERIFY(field);
    f.frame.ExecuteCommand(ID_PAGE_DELETE);
    QCOMPARE(f.doc.PageCount(), size_t(1));
    QCOMPARE(f.history().UndoCount(), 2);
    QCOMPARE(f.history().UndoName(), QStringLiteral("删除页面"));
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("撤消 删除页面"));
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->toolTip(), QStringLiteral("撤消 删除页面"));

    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.doc.PageCount(), size_t(2));
    QCOMPARE(f.doc.FindPage(id)->Name(), QStringLiteral("新名字"));
    QCOMPARE(f.history().UndoName(), QStringLiteral("重命名页面"));
    QCOMPARE(f.frame.Action(ID_EDIT_REDO)->text(), QStringLiteral("恢复 删除页面"));
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QCOMPARE(f.doc.FindPage(id)->Name(), oldName);
    QVERIFY(!f.doc.IsModified());
    // With nothing to undo the menu shows the plain command again.
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("撤消"));
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->toolTip(), CommandToolTip(ID_EDIT_UNDO));
    QCOMPARE(f.frame.Action(ID_EDIT_REDO)->toolTip(), QStringLiteral("恢复 重命名页面"));
}

void UndoStepTest::dragIsOneStepWhenReleased()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("drag.kdp")));
    const std::vector<uint8_t> before = f.Bytes();
    // While the button is down the step is open and cannot be undone.
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, EditorFixture::At(30, 20));
    QTest::mouseMove(f.wnd(), EditorFixture::At(40, 30));
    QTest::mouseMove(f.wnd(), EditorFixture::At(50, 40));
    QVERIFY(f.history().HasPendingChange());
    QVERIFY(!f.history().CanUndo());
    QCOMPARE(f.history().UndoCount(), 0);
    // The release closes it: recorded at once, without the event loop.
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, EditorFixture::At(50, 40));
    QVERIFY(!f.history().HasPendingChange());
    QCOMPARE(f.history().UndoCount(), 1);
    QCOMPARE(f.history().UndoName(), QStringLiteral("移动"));
    const std::vector<uint8_t> after = f.Bytes();

    // A resize by a handle is named for what it does.
    CDrawObj* a = f.object(0, 0);
    QTest::mousePress(f.wnd(), Qt::LeftButton, {}, EditorFixture::At(Centre(a->GetHandleRect(4))));
    QTest::mouseMove(f.wnd(), EditorFixture::At(90, 70));
    QTest::mouseRelease(f.wnd(), Qt::LeftButton, {}, EditorFixture::At(90, 70));
    QCOMPARE(f.history().UndoCount(), 2);
    QCOMPARE(f.history().UndoName(), QStringLiteral("改变大小"));

    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QVERIFY(f.Bytes() == after);
    f.frame.ExecuteCommand(ID_EDIT_UNDO);
    QVERIFY(f.Bytes() == before);
    QCOMPARE(f.history().RedoName(), QStringLiteral("移动"));

    // A click that moves nothing is no step.
    f.Click({30, 20});
    QCOMPARE(f.history().UndoCount(), 0);
    QCOMPARE(f.history().RedoCount(), 2);
}

void UndoStepTest::menuNamesNoStepWhileAFieldHasTheFocus()
{
    EditorFixture f(m_dir.filePath(QStringLiteral("focus.kdp")));
    CPropCtrlEdit* field = TypeNewPageName(f);
    QVERIFY(field);
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(f.history().UndoName(), QStringLiteral("重命名页面"));
    // Undo from the menu would act on the field's typing: it names no step.
    QVERIFY(field->hasFocus());
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("撤消"));
    f.wnd()->setFocus();
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("撤消 重命名页面"));
    field->setFocus();
    QCOMPARE(f.frame.Action(ID_EDIT_UNDO)->text(), QStringLiteral("撤消"));
}

} // namespace kdx::test
