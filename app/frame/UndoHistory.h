#pragma once
#include "model/DocObserver.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace kdx {

class CPageDoc;

// The page shown and the objects selected on it, by position, so that they
// survive the document being read again.
struct PageViewState {
    int pageIndex = -1;
    std::vector<int> selected; // indices into the page's object list
    bool operator==(const PageViewState&) const = default;
};

// Undo and redo of whole user actions. The project is small (pictures are
// referenced by path), so each state is the project's serialised form; a
// step goes from one state to the next and is undone by reading the earlier
// state back through the document's reader. Changes are gathered while an
// action runs and recorded as one step once the editor is idle again (no
// drag in progress, no modal dialog open).
class CUndoHistory : public QObject, public IDocObserver {
    Q_OBJECT
public:
    static constexpr int kMaxSteps = 100;
    static constexpr size_t kMaxBytes = size_t(64) << 20;
    static constexpr int kRetryMs = 50;

    // How the history reads and restores the page view, and whether an
    // action is still running there.
    struct ViewAccess {
        std::function<PageViewState()> capture;
        std::function<void(const PageViewState&)> restore;
        std::function<bool()> busy;
    };

    explicit CUndoHistory(CPageDoc& doc, QObject* parent = nullptr);
    ~CUndoHistory() override;

    void SetViewAccess(ViewAccess access) { m_access = std::move(access); }

    // A new or opened project: no steps, the present state is the saved one.
    void Reset();
    // The project was saved: the present state is the one on disk.
    void MarkSaved();
    // Records the changes made since the last step as one step now.
    void Checkpoint();
    // Applies a change that every kept state must share (picture paths of a
    // project saved into another folder) to the project and to each state,
    // without making a step of it.
    void RewriteStates(const std::function<void(CPageDoc&)>& rewrite);

    // A change is made but not yet recorded (its action is still running).
    bool HasPendingChange() const { return m_dirty; }
    bool CanUndo() const { return m_position > 0 || m_dirty; }
    bool CanRedo() const { return !m_dirty && m_position + 1 < m_states.size(); }
    bool Undo();
    bool Redo();

    int UndoCount() const { return int(m_position); }
    int RedoCount() const { return int(m_states.size() - 1 - m_position); }
    size_t ByteCount() const { return m_bytes; }

    // IDocObserver
    void OnModifiedChanged(bool modified) override;
    void OnUpdate(UpdateHint hint, CDrawObj* object) override;
    void OnObjectChanged(CDrawObj* object, uint32_t flags) override;
    void OnPagesChanged() override;
    void OnCurrentPageChanged(CPage* oldPage, CPage* newPage) override;

signals:
    void Changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Views {
        PageViewState before;
        PageViewState after;
    };
    void NoteChange();
    void OnTimer();
    PageViewState CaptureView() const;
    bool Restore(size_t index, const PageViewState& view);
    void DropOldest();
    bool ContinuesKeyStep() const;

    CPageDoc& m_doc;
    ViewAccess m_access;
    // m_states[i] is the project after i of the kept steps; m_views[i] the
    // views around step i (from m_states[i] to m_states[i + 1]).
    std::deque<std::vector<uint8_t>> m_states;
    std::deque<Views> m_views;
    size_t m_position = 0;
    size_t m_bytes = 0;
    long m_savedPosition = 0; // -1: the saved state is no longer kept
    bool m_dirty = false;
    bool m_restoring = false;
    PageViewState m_viewBefore;
    // The last key pressed, and the step a key press made last, so that
    // the auto-repeats of a held arrow key make one step with its press.
    struct KeyPress {
        int key = 0;
        bool repeat = false;
    };
    struct KeyStep {
        KeyPress key;
        size_t position = 0; // 0: none
    };
    KeyPress m_lastKey;
    KeyStep m_keyStep;
    QTimer m_timer;
};

} // namespace kdx
