#include "app/frame/UndoHistory.h"

#include "app/frame/Messages.h"
#include "model/PageDoc.h"


namespace kdx {

CUndoHistory::CUndoHistory(CPageDoc& doc, QObject* parent) : QObject(parent), m_doc(doc)
{
    m_doc.AddObserver(this);
    Reset();
}

CUndoHistory::~CUndoHistory()
{
    m_doc.RemoveObserver(this);
}

PageViewState CUndoHistory::CaptureView() const
{
    if (m_access.capture)
        return m_access.capture();
    PageViewState state;
    if (CPage* page = m_doc.CurrentPage())
        state.pageIndex = m_doc.IndexOfPage(page->PageId());
    return state;
}

void CUndoHistory::Reset()
{
    m_states.clear();
    m_steps.clear();
    m_states.push_back(m_doc.SaveToBytes());
    m_bytes = m_states.back().size();
    m_position = 0;
    m_savedPosition = 0;
    m_dirty = false;
    m_lastIsKeyStep = false;
    m_viewBefore = CaptureView();
    emit Changed();
}

void CUndoHistory::MarkSaved()
{
    // What an open step changed so far is what was saved: it becomes a
    // step of its own, and the rest of the action another of that name.
    if (m_doc.InStep())
        Record(m_open);
    else
        Checkpoint();
    m_savedPosition = long(m_position);
    emit Changed();
}

void CUndoHistory::NoteChange()
{
    if (m_restoring || m_dirty)
        return;
    m_dirty = true;
    // Outside a step, the selection as the change begins, unless the change
    // has already left the page it started on (a deleted page).
    if (!m_doc.InStep()) {
        const PageViewState now = CaptureView();
        if (now.pageIndex == m_viewBefore.pageIndex)
            m_viewBefore = now;
    }
    emit Changed();
}

void CUndoHistory::OnStepBegin(const UndoStep& step)
{
    if (m_restoring)
        return;
    Checkpoint(); // a change made before belongs to no step of this action
    m_open = step;
    m_viewBefore = CaptureView();
}

void CUndoHistory::OnStepEnd()
{
    if (m_dirty && !m_restoring)
        Record(m_open);
}

void CUndoHistory::Checkpoint()
{
    if (m_dirty && !m_restoring && !m_doc.InStep())
        Record(UndoStep{});
}

void CUndoHistory::Record(const UndoStep& what)
{
    m_dirty = false;
    std::vector<uint8_t> bytes = m_doc.SaveToBytes();
    if (bytes == m_states[m_position]) {
        emit Changed();
        return; // the action changed nothing in the end
    }
    const PageViewState after = CaptureView();
    if (ContinuesKeyStep(what)) {
        // A held key: its repeats belong to the step its first press made.
        m_bytes += bytes.size() - m_states[m_position].size();
        m_states[m_position] = std::move(bytes);
        m_steps.back().after = m_viewBefore = after;
        emit Changed();
        return;
    }
    // A new step ends the steps that were undone.
    while (m_states.size() > m_position + 1) {
        m_bytes -= m_states.back().size();
        m_states.pop_back();
        m_steps.pop_back();
    }
    if (m_savedPosition > long(m_position))
        m_savedPosition = -1;
    m_bytes += bytes.size();
    m_states.push_back(std::move(bytes));
    m_steps.push_back({what, m_viewBefore, after});
    ++m_position;
    m_viewBefore = after;
    m_lastIsKeyStep = what.key != 0;
    while (!m_steps.empty() && (m_steps.size() > size_t(kMaxSteps) || m_bytes > kMaxBytes))
        DropOldest();
    emit Changed();
}

void CUndoHistory::RewriteStates(const std::function<void(CPageDoc&)>& rewrite)
{
    Checkpoint();
    m_restoring = true;
    rewrite(m_doc);
    m_restoring = false;
    m_bytes = 0;
    for (size_t i = 0; i < m_states.size(); ++i) {
        if (i == m_position) {
            m_states[i] = m_doc.SaveToBytes();
        } else {
            // Pictures are referred to by path: the states need no pixels.
            CPageDoc state;
            state.SetImageDecoding(false);
            if (!state.LoadFromBytes(m_states[i])) {
                rewrite(state);
                m_states[i] = state.SaveToBytes();
            }
        }
        m_bytes += m_states[i].size();
    }
    m_dirty = false;
    emit Changed();
}

bool CUndoHistory::ContinuesKeyStep(const UndoStep& what) const
{
    return what.repeat && m_lastIsKeyStep && m_position > 0 && m_position == m_steps.size() &&
           m_steps.back().what.key == what.key && m_savedPosition != long(m_position);
}

void CUndoHistory::DropOldest()
{
    m_bytes -= m_states.front().size();
    m_states.pop_front();
    m_steps.pop_front();
    --m_position;
    m_savedPosition = m_savedPosition > 0 ? m_savedPosition - 1 : -1;
}

bool CUndoHistory::CanUndo() const
{
    return !m_doc.InStep() && (m_position > 0 || m_dirty);
}

bool CUndoHistory::CanRedo() const
{
    return !m_doc.InStep() && !m_dirty && m_position + 1 < m_states.size();
}

QString CUndoHistory::UndoName() const
{
    return m_position > 0 && !m_dirty ? m_steps[m_position - 1].what.name : QString();
}

QString CUndoHistory::RedoName() const
{
    return CanRedo() ? m_steps[m_position].what.name : QString();
}

bool CUndoHistory::Undo()
{
    if (m_doc.InStep())
        return false;
    // A text still being typed is the last change.
    m_doc.CommitEdits();
    Checkpoint();
    if (m_position == 0)
        return false;
    return Restore(m_position - 1, m_steps[m_position - 1].before);
}

bool CUndoHistory::Redo()
{
    if (m_doc.InStep())
        return false;
    m_doc.CommitEdits();
    Checkpoint();
    if (m_position + 1 >= m_states.size())
        return false;
    return Restore(m_position + 1, m_steps[m_position].after);
}

bool CUndoHistory::Restore(size_t index, const PageViewState& view)
{
    // Reading the state, showing its page and setting the modified mark
    // report changes that are this step itself, not new ones.
    m_restoring = true;
    const std::vector<uint8_t> bytes = m_states[index]; // observers run while it is read
    const auto error = m_doc.LoadFromBytes(bytes);
    if (error) {
        // The history's own bytes did not read back: it cannot be trusted.
        m_restoring = false;
        ShowStatusMessage(kStatusError, error->Text());
        Reset();
        m_doc.SetModifiedFlag(true);
        return false;
    }
    m_position = index;
    m_dirty = false;
    m_lastIsKeyStep = false;
    if (m_access.restore) {
        m_access.restore(view);
    } else if (CPage* page = m_doc.PageAt(view.pageIndex)) {
        m_doc.SetCurrentPage(page);
    }
    m_doc.SetModifiedFlag(long(m_position) != m_savedPosition);
    m_restoring = false;
    m_viewBefore = CaptureView();
    emit Changed();
    return true;
}

void CUndoHistory::OnModifiedChanged(bool modified)
{
    if (modified)
        NoteChange();
}

void CUndoHistory::OnUpdate(UpdateHint hint, CDrawObj*)
{
    // Outside a step, a page repainted is a picture decoded late, not a
    // change; a step compares the bytes in the end all the same.
    if (hint != UpdateHint::CurrentPage && (hint != UpdateHint::RepaintPage || m_doc.InStep()))
        NoteChange();
}

void CUndoHistory::OnObjectChanged(CDrawObj*, uint32_t)
{
    NoteChange();
}

void CUndoHistory::OnCurrentPageChanged(CPage*, CPage* newPage)
{
    // Another page shown between actions is where the next one starts.
    if (!m_dirty && !m_restoring && !m_doc.InStep() && newPage)
        m_viewBefore = CaptureView();
}

void CUndoHistory::OnPagesChanged()
{
    NoteChange();
}

} // namespace kdx
