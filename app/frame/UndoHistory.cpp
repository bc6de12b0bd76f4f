#include "app/frame/UndoHistory.h"

#include "app/frame/Messages.h"
#include "model/PageDoc.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

namespace kdx {

CUndoHistory::CUndoHistory(CPageDoc& doc, QObject* parent) : QObject(parent), m_doc(doc)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CUndoHistory::OnTimer);
    m_doc.AddObserver(this);
    qApp->installEventFilter(this);
    Reset();
}

CUndoHistory::~CUndoHistory()
{
    qApp->removeEventFilter(this);
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
    m_timer.stop();
    m_states.clear();
    m_views.clear();
    m_states.push_back(m_doc.SaveToBytes());
    m_bytes = m_states.back().size();
    m_position = 0;
    m_savedPosition = 0;
    m_dirty = false;
    m_keyStep = {};
    m_viewBefore = CaptureView();
    emit Changed();
}

void CUndoHistory::MarkSaved()
{
    Checkpoint();
    m_savedPosition = long(m_position);
    emit Changed();
}

void CUndoHistory::NoteChange()
{
    if (m_restoring)
        return;
    if (!m_dirty) {
        m_dirty = true;
        // The selection as the change begins, unless the action has already
        // left the page it started on (a deleted page).
        const PageViewState now = CaptureView();
        if (now.pageIndex == m_viewBefore.pageIndex)
            m_viewBefore = now;
        emit Changed();
    }
    if (!m_timer.isActive())
        m_timer.start(0);
}

void CUndoHistory::OnTimer()
{
    const bool busy = QApplication::activeModalWidget() || (m_access.busy && m_access.busy());
    if (busy) {
        m_timer.start(kRetryMs);
        return;
    }
    Checkpoint();
}

void CUndoHistory::Checkpoint()
{
    m_timer.stop();
    if (!m_dirty || m_restoring)
        return;
    m_dirty = false;
    std::vector<uint8_t> bytes = m_doc.SaveToBytes();
    if (bytes == m_states[m_position]) {
        emit Changed();
        return; // the action changed nothing in the end
    }
    if (ContinuesKeyStep()) {
        // A held key: its repeats belong to the step its first press made.
        m_bytes += bytes.size() - m_states[m_position].size();
        m_states[m_position] = std::move(bytes);
        m_views.back().after = m_viewBefore = CaptureView();
        emit Changed();
        return;
    }
    // A new step ends the steps that were undone.
    while (m_states.size() > m_position + 1) {
        m_bytes -= m_states.back().size();
        m_states.pop_back();
        m_views.pop_back();
    }
    if (m_savedPosition > long(m_position))
        m_savedPosition = -1;
    m_bytes += bytes.size();
    m_states.push_back(std::move(bytes));
    const PageViewState after = CaptureView();
    m_views.push_back({m_viewBefore, after});
    ++m_position;
    m_viewBefore = after;
    m_keyStep = {m_lastKey, m_position};
    while (!m_views.empty() && (m_views.size() > size_t(kMaxSteps) || m_bytes > kMaxBytes))
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
    m_timer.stop();
    emit Changed();
}

bool CUndoHistory::ContinuesKeyStep() const
{
    return m_lastKey.repeat && m_lastKey.key == m_keyStep.key.key && m_keyStep.position == m_position &&
           m_position > 0 && m_savedPosition != long(m_position);
}

void CUndoHistory::DropOldest()
{
    m_bytes -= m_states.front().size();
    m_states.pop_front();
    m_views.pop_front();
    --m_position;
    if (m_keyStep.position > 0)
        --m_keyStep.position;
    m_savedPosition = m_savedPosition > 0 ? m_savedPosition - 1 : -1;
}

bool CUndoHistory::Undo()
{
    // A text still being typed is the last change.
    m_doc.CommitEdits();
    Checkpoint();
    if (m_position == 0)
        return false;
    return Restore(m_position - 1, m_views[m_position - 1].before);
}

bool CUndoHistory::Redo()
{
    m_doc.CommitEdits();
    Checkpoint();
    if (m_position + 1 >= m_states.size())
        return false;
    return Restore(m_position + 1, m_views[m_position].after);
}

bool CUndoHistory::Restore(size_t index, const PageViewState& view)
{
    // Reading the state, showing its page and setting the modified mark
    // report changes that are this step itself, not new ones.
    m_restoring = true;
    m_timer.stop();
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
    m_keyStep = {};
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

bool CUndoHistory::eventFilter(QObject* watched, QEvent* event)
{
    // The view as the user starts an action, before the action changes it.
    switch (event->type()) {
    case QEvent::MouseButtonPress: m_lastKey = {}; break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<const QKeyEvent*>(event);
        m_lastKey = {key->key(), key->isAutoRepeat()};
        break;
    }
    default: break;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        if (!m_dirty && !m_restoring && watched->isWidgetType())
            m_viewBefore = CaptureView();
        break;
    default:
        break;
    }
    return false;
}

void CUndoHistory::OnModifiedChanged(bool modified)
{
    if (modified)
        NoteChange();
}

void CUndoHistory::OnUpdate(UpdateHint hint, CDrawObj*)
{
    if (hint != UpdateHint::CurrentPage)
        NoteChange();
}

void CUndoHistory::OnObjectChanged(CDrawObj*, uint32_t)
{
    NoteChange();
}

void CUndoHistory::OnCurrentPageChanged(CPage*, CPage* newPage)
{
    // Another page shown between actions is where the next one starts.
    if (!m_dirty && !m_restoring && newPage)
        m_viewBefore = CaptureView();
}

void CUndoHistory::OnPagesChanged()
{
    NoteChange();
}

} // namespace kdx
