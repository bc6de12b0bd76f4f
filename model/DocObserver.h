#pragma once
#include <QString>

#include <cstdint>

namespace kdx {

class CDrawObj;
class CPage;

// View hints passed with UpdateAllViews.
enum class UpdateHint {
    RepaintPage,   // the current page's appearance changed
    RepaintObject, // the object's area must be repainted
    RemoveObject,  // the object is being removed
    PageSize,      // the screen size of the pages changed
    CurrentPage,   // the current page changed
};

// One user action as an undo history records it: a command, a drag, a
// committed value. `key` and `repeat` tell a step made by a key press: the
// steps of a held key's auto-repeats join the step of its press.
struct UndoStep {
    QString name; // shown after 撤消 and 恢复
    int key = 0;
    bool repeat = false;
};

// What the document tells the editor's views, panes and main frame. Every
// method has an empty default so that an observer implements only what it
// shows.
class IDocObserver {
public:
    virtual ~IDocObserver() = default;

    virtual void OnModifiedChanged(bool /*modified*/) {}
    virtual void OnUpdate(UpdateHint /*hint*/, CDrawObj* /*object*/) {}
    virtual void OnObjectChanged(CDrawObj* /*object*/, uint32_t /*flags*/) {}
    virtual void OnCurrentPageChanged(CPage* /*oldPage*/, CPage* /*newPage*/) {}
    // The page list, the property pane and the workspace should refresh.
    virtual void OnPagesChanged() {}
    // A picture file named by the project (`path` as stored) cannot be
    // read; PictureUnreadableText says so to the user.
    virtual void OnPictureUnreadable(const QString& /*path*/) {}
    // A command is about to run (or the project to be saved, compiled or
    // closed): edits held outside the model (a value typed into a field, a
    // text being typed on the page) go into it now. False when a value was
    // refused; the observer has then shown why and the command must not run.
    virtual bool OnCommitEdits() { return true; }
    // Whether the observer holds such an edit.
    virtual bool HasPendingEdits() const { return false; }

    // The outermost step of the document begins and ends: what changed in
    // between is one user action.
    virtual void OnStepBegin(const UndoStep& /*step*/) {}
    virtual void OnStepEnd() {}
};

} // namespace kdx
