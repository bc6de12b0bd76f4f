// The main frame's edit commands: undo and redo of the project, and the
// clipboard. While a text control has the focus they belong to it.
#include "app/frame/CAppFrame.h"

#include "app/panes/CPaneCompile.h"
#include "app/frame/CommandRegistry.h"
#include "app/frame/Commands.h"
#include "app/frame/EditorStrings.h"
#include "app/page/ObjectClipboard.h"
#include "app/page/PageCommands.h"
#include "app/frame/UndoHistory.h"
#include "model/PageDoc.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QTextEdit>

#include <algorithm>

namespace kdx {
namespace {

// The focused control that does its own text editing, or null: the text
// control of the compile pane and of in-place text, and the entry fields.
QWidget* FocusedTextControl()
{
    QWidget* focus = QApplication::focusWidget();
    for (QWidget* w = focus; w; w = w->parentWidget()) {
        if (w->inherits("kdx::CMyEditCtrl") || qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
            qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w))
            return focus;
        if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->isEditable())
            return focus;
        if (w->isWindow())
            break;
    }
    return nullptr;
}

// The key that does an editing command in a text field.
struct TextKey {
    int command;
    int key;
    Qt::KeyboardModifiers modifiers;
};
constexpr TextKey kTextKeys[] = {
    {ID_EDIT_UNDO, Qt::Key_Z, Qt::ControlModifier},  {ID_EDIT_REDO, Qt::Key_Y, Qt::ControlModifier},
    {ID_EDIT_COPY, Qt::Key_C, Qt::ControlModifier},  {ID_EDIT_CUT, Qt::Key_X, Qt::ControlModifier},
    {ID_EDIT_PASTE, Qt::Key_V, Qt::ControlModifier}, {ID_EDIT_CLEAR, Qt::Key_Delete, Qt::NoModifier},
    {ID_EDIT_SELECT_ALL, Qt::Key_A, Qt::ControlModifier},
};

} // namespace

bool CAppFrame::ForwardToFocusedText(int id)
{
    const auto* found = std::find_if(std::begin(kTextKeys), std::end(kTextKeys),
                                     [id](const TextKey& k) { return k.command == id; });
    QWidget* control = found != std::end(kTextKeys) ? FocusedTextControl() : nullptr;
    if (!control)
        return false;
    if (m_forwardingKey)
        return true;
    // Sent as typed there; a read-only field takes what it can (copy,
    // select all) and the rest does nothing, never acting on the page.
    const QScopedValueRollback<bool> forwarding(m_forwardingKey, true);
    QKeyEvent press(QEvent::KeyPress, found->key, found->modifiers);
    QApplication::sendEvent(control, &press);
    QKeyEvent release(QEvent::KeyRelease, found->key, found->modifiers);
    QApplication::sendEvent(control, &release);
    return true;
}

void CAppFrame::CreateEditSupport()
{
    History().SetViewAccess({
        [this] {
            PageViewState state;
            if (const CPage* page = Document().CurrentPage())
                state.pageIndex = Document().IndexOfPage(page->PageId());
            if (pageView_)
                state.selected = pageView_->SelectedObjectIndices();
            return state;
        },
        [this](const PageViewState& state) {
            CPage* page = Document().PageAt(state.pageIndex);
            Document().SetCurrentPage(page ? page : Document().PageAt(0));
            if (pageView_)
                pageView_->SelectObjectIndices(page ? state.selected : std::vector<int>{});
        },
    });
    connect(&History(), &CUndoHistory::Changed, this, &CAppFrame::UpdateCommandUI);
    connect(qApp, &QApplication::focusChanged, this, &CAppFrame::UpdateUndoTexts);
    clipboard_ = std::make_unique<CObjectClipboard>(Document());
}

void CAppFrame::StartEditSession()
{
    clipboard_->NewSession();
    // Messages of another project would locate nothing here.
    if (compilePane_ && !compilePane_->IsCompiling())
        compilePane_->ClearAll();
    UpdateCaption();
    UpdateIndicators();
    UpdateCommandUI();
}

std::vector<CDrawObj*> CAppFrame::SelectedObjects() const
{
    // In the page's drawing order, so that pasted copies stack the same way.
    std::vector<CDrawObj*> objects;
    const CPage* page = Document().CurrentPage();
    if (!page || !pageView_)
        return objects;
    for (int index : pageView_->SelectedObjectIndices())
        objects.push_back(page->Objects()[size_t(index)].get());
    return objects;
}

void CAppFrame::CopySelection()
{
    clipboard_->Copy(SelectedObjects());
}

void CAppFrame::CutSelection()
{
    if (clipboard_->Copy(SelectedObjects()) && pageView_)
        pageView_->OnPageCommand(ID_EDIT_CLEAR);
}

void CAppFrame::PasteObjects()
{
    const std::vector<CDrawObj*> placed = clipboard_->Paste();
    const CPage* page = Document().CurrentPage();
    if (placed.empty() || !page || !pageView_)
        return;
    // The pasted objects become the selection, ready to be dragged.
    std::vector<int> indices;
    for (CDrawObj* object : placed)
        indices.push_back(page->IndexOfObject(object));
    pageView_->SelectObjectIndices(indices);
}

void CAppFrame::UpdateUndoTexts()
{
    // In a text field undo and redo act on the field's typing, which has no
    // step name: naming a project step there would promise the wrong thing.
    const bool inText = FocusedTextControl() != nullptr;
    m_commands->ShowStepName(ID_EDIT_UNDO, inText ? QString() : History().UndoName());
    m_commands->ShowStepName(ID_EDIT_REDO, inText ? QString() : History().RedoName());
}

void CAppFrame::RegisterEditCommands()
{
    const auto textOr = [](std::function<bool()> rule) {
        return [rule] { return FocusedTextControl() != nullptr || rule(); };
    };
    // Not in the middle of a drag: the objects being dragged would be read
    // anew under the mouse.
    const auto idle = [this] { return !(pageView_ && pageView_->IsDragging()); };
    // With the focus in a text field these go to it (ExecuteCommand).
    m_commands->Add(ID_EDIT_UNDO, [this] { History().Undo(); },
               textOr([this, idle] { return idle() && History().CanUndo(); }));
    m_commands->Add(ID_EDIT_REDO, [this] { History().Redo(); },
               textOr([this, idle] { return idle() && History().CanRedo(); }));
    const auto selected = [this] { return SelectionCount() > 0; };
    m_commands->Add(ID_EDIT_COPY, [this] { CopySelection(); }, textOr(selected));
    m_commands->Add(ID_EDIT_CUT, [this] { CutSelection(); }, textOr(selected));
    m_commands->Add(ID_EDIT_PASTE, [this] { PasteObjects(); }, textOr([this] { return clipboard_->CanPaste(); }));
    m_commands->Add(ID_EDIT_CLEAR, PageViewCommand(ID_EDIT_CLEAR), textOr(selected));
    m_commands->Add(ID_EDIT_SELECT_ALL, PageViewCommand(ID_EDIT_SELECT_ALL), textOr([this] {
        return HasCurrentPage() && CurrentPageObjectCount() > 0;
    }));
}

} // namespace kdx
