#pragma once
#include "model/DocObserver.h"

#include <QObject>

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
// state back through the document's reader. Each action opens and closes
// its step on the document (CPageDoc::BeginStep) with its name; what it
// changed is recorded when the step closes. A change made outside any step
// is recorded, without a name, before the next step, undo, redo or save.
class CUndoHistory : public QObject, public IDocObserver {
    Q_OBJECT
public:
    static constexpr int kMaxSteps = 100;
    static constexpr size_t kMaxBytes = size_t(64) << 20;

    // How the history reads and restores the page view.
    struct ViewAccess {
        std::function<PageViewState()> capture;
        std::function<void(const PageViewState&)> restore;
    };

    explicit CUndoHistory(CPageDoc& doc, QObject* parent = nullptr);
    ~CUndoHistory() override;

    void SetViewAccess(ViewAccess access) { m_access = std::move(access); }

    // A new or opened project: no steps, the present state is the saved one.
    void Reset();
    // The project was saved: the present state is the one on disk.
    void MarkSaved();
    // Records the changes made outside any step as one unnamed step now.
    void Checkpoint();
    // Applies a change that every kept state must share (picture paths of a
    // project saved into another folder) to the project and to each state,
    // without making a step of it.
    void RewriteStates(const std::function<void(CPageDoc&)>& rewrite);

    // A change is made but not yet recorded (its step is still open, or it
    // was made outside any step).
    bool HasPendingChange() const { return m_dirty; }
    // Not while a step is open: its action is still running.
    bool CanUndo() const;
    bool CanRedo() const;
    bool Undo();
    bool Redo();
    // The names of the steps that Undo and Redo would take back and do
    // again; empty when there is none or it has no name.
    QString UndoName() const;
    QString RedoName() const;

    int UndoCount() const { return int(m_position); }
    int RedoCount() const { return int(m_states.size() - 1 - m_position); }
    size_t ByteCount() const { return m_bytes; }

    // IDocObserver
    void OnModifiedChanged(bool modified) override;
    void OnUpdate(UpdateHint hint, CDrawObj* object) override;
    void OnObjectChanged(CDrawObj* object, uint32_t flags) override;
    void OnPagesChanged() override;
    void OnCurrentPageChanged(CPage* oldPage, CPage* newPage) override;
    void OnStepBegin(const UndoStep& step) override;
    void OnStepEnd() override;

signals:
    void Changed();

private:
    struct Step {
        UndoStep what;
        PageViewState before;
        PageViewState after;
    };
    void NoteChange();
    // Records the project as it is now as the step `what`, unless it is
    // the state it started from.
    void Record(const UndoStep& what);
    PageViewState CaptureView() const;
    bool Restore(size_t index, const PageViewState& view);
    void DropOldest();
    bool ContinuesKeyStep(const UndoStep& what) const;

    CPageDoc& m_doc;
    ViewAccess m_access;
    // m_states[i] is the project after i of the kept steps; m_steps[i] the
    // step from m_states[i] to m_states[i + 1].
    std::deque<std::vector<uint8_t>> m_states;
    std::deque<Step> m_steps;
    size_t m_position = 0;
    size_t m_bytes = 0;
    long m_savedPosition = 0; // -1: the saved state is no longer kept
    bool m_dirty = false;
    bool m_restoring = false;
    UndoStep m_open; // the step open on the document
    PageViewState m_viewBefore;
    // The last step was made by this key press and may take its repeats.
    bool m_lastIsKeyStep = false;
};

} // namespace kdx
