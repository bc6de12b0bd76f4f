#pragma once
#include "app/panes/CPaneBase.h"
#include "model/DocObserver.h"

class QScrollArea;

namespace kdx {

class CPageDoc;
class CPropList;

// The property pane, docked right: one tab "属性" holding the property
// list. It shows the single selected object, or the current page, and
// follows the document's changes.
class CPaneProp : public CPaneBase, public IDocObserver {
    Q_OBJECT
public:
    CPaneProp(int id, const QSize& defaultSize, CPageDoc* doc, QWidget* parent = nullptr);
    ~CPaneProp() override;

    CPropList* List() const { return m_list; }
    // Shows the object's property page, or, when it is no longer `shown`,
    // the current page's again; the page view says which object it is.
    void ShowObject(CDrawObj* object, bool shown);

    // IDocObserver
    void OnObjectChanged(CDrawObj* object, uint32_t flags) override;
    void OnCurrentPageChanged(CPage* oldPage, CPage* newPage) override;
    void OnPagesChanged() override;
    bool OnCommitEdits() override;
    bool HasPendingEdits() const override;

private:
    CPageDoc* m_doc;
    QScrollArea* m_scroll;
    CPropList* m_list;
};

} // namespace kdx
