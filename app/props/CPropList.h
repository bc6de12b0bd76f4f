#pragma once
#include <QWidget>

#include <typeindex>
#include <unordered_map>

namespace kdx {

class CDrawObj;
class CPage;
class CPageDoc;
class CPropBase;
class CPropCtrlEdit;
class CPropLink;
class CPropPage;
class CPropPageGlobal;

// The stack of the property pane: the link page on top (shown for objects
// with touch behaviour) and below it the page of the shown object's kind,
// or the page properties. Pages are made on first use and kept.
class CPropList : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChildId = 1;

    explicit CPropList(CPageDoc* doc, QWidget* parent = nullptr);

    CPageDoc* Document() const { return m_doc; }
    CPropLink* LinkPage() const { return m_link; }
    CPropBase* ShownPage() const { return m_shown; }
    CPropPageGlobal* GlobalPage();
    // The page of that class, made on first use.
    template <class Page> Page* FindPage()
    {
        CPropBase*& page = m_pages[std::type_index(typeid(Page))];
        if (!page)
            page = MakePage(new Page(this));
        return static_cast<Page*>(page);
    }
    // The page that shows objects of the object's kind.
    CPropPage* PageForObject(const CDrawObj& object);

    // The object became the single selection: its page shows it, and the
    // link page too when the object has touch behaviour.
    void ShowObject(CDrawObj* object);
    // The object stopped being the single selection: the page properties
    // of the current page are shown again.
    void HideObject(CDrawObj* object);
    // Shows the page properties of the document's current page (nothing
    // without one). The document has committed a pending edit to the page
    // shown before.
    void ShowCurrentPage();
    // The field of the shown pages holding a typed value not yet committed.
    CPropCtrlEdit* PendingEdit() const;
    // Commits it; false when its page refused the value (and said why).
    bool CommitPending();
    // A page refused a committed value.
    void NoteRefused() { m_refused = true; }
    // An object changed: its page follows when it shows that object.
    void ObjectChanged(CDrawObj* object);
    // Pages were added, renamed, reordered or deleted.
    void PagesChanged();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CPropBase* MakePage(CPropBase* page);
    void SetShown(CPropBase* page);
    void SetLinkVisible(bool visible);
    void LayoutPages();

    CPageDoc* m_doc;
    CPropLink* m_link = nullptr;
    bool m_linkVisible = false;
    CPropBase* m_shown = nullptr;
    bool m_refused = false;
    std::unordered_map<std::type_index, CPropBase*> m_pages;
};

} // namespace kdx
