#include "app/props/CPropList.h"

#include "app/props/CPropCtrls.h"
#include "app/props/CPropLink.h"
#include "app/props/CPropPageCustom.h"
#include "app/props/CPropPageEllipse.h"
#include "app/props/CPropPageGlobal.h"
#include "app/props/CPropPageImage.h"
#include "app/props/CPropPageLine.h"
#include "app/props/CPropPageRect.h"
#include "app/props/CPropPageRoundRect.h"
#include "app/props/CPropPageText.h"
#include "model/PageDoc.h"

#include <QApplication>
#include <QFocusEvent>

#include <string_view>

namespace kdx {

CPropList::CPropList(CPageDoc* doc, QWidget* parent) : QWidget(parent), m_doc(doc)
{
    setObjectName(QStringLiteral("PropList"));
    setProperty("childId", kChildId);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    m_link = new CPropLink(this);
    m_link->hide();
}

CPropBase* CPropList::MakePage(CPropBase* page)
{
    page->hide();
    return page;
}

CPropPageGlobal* CPropList::GlobalPage()
{
    return FindPage<CPropPageGlobal>();
}

CPropPage* CPropList::PageForObject(const CDrawObj& object)
{
    switch (object.Kind()) {
    case ObjectKind::Line: return FindPage<CPropPageLine>();
    case ObjectKind::Rect: return FindPage<CPropPageRect>();
    case ObjectKind::RoundRect: return FindPage<CPropPageRoundRect>();
    case ObjectKind::Ellipse: return FindPage<CPropPageEllipse>();
    case ObjectKind::Text: return FindPage<CPropPageText>();
    case ObjectKind::Image: return FindPage<CPropPageImage>();
    case ObjectKind::Custom: return FindPage<CPropPageCustom>();
    }
    return nullptr;
}

void CPropList::ShowObject(CDrawObj* object)
{
    CPropPage* page = object ? PageForObject(*object) : nullptr;
    if (!page)
        return;
    page->Attach(object);
    if (object->IsLinkable())
        m_link->Attach(object);
    else
        m_link->Detach();
    SetLinkVisible(object->IsLinkable());
    SetShown(page);
}

void CPropList::HideObject(CDrawObj* object)
{
    if (object) {
        if (CPropPage* page = PageForObject(*object); page && page->Object() == object)
            page->Detach();
        if (m_link->Object() == object)
            m_link->Detach();
    }
    SetLinkVisible(false);
    ShowCurrentPage();
}

void CPropList::ShowCurrentPage()
{
    CPropPageGlobal* global = GlobalPage();
    CPage* current = m_doc ? m_doc->CurrentPage() : nullptr;
    global->Attach(current);
    SetShown(current ? global : nullptr);
}

CPropCtrlEdit* CPropList::PendingEdit() const
{
    for (const CPropBase* page : {static_cast<const CPropBase*>(m_linkVisible ? m_link : nullptr),
                                  static_cast<const CPropBase*>(m_shown)}) {
        if (!page || !page->IsAttached())
            continue;
        for (QWidget* control : page->ValueControls())
            if (auto* edit = qobject_cast<CPropCtrlEdit*>(control); edit && edit->IsPending())
                return edit;
    }
    return nullptr;
}

bool CPropList::CommitPending()
{
    CPropCtrlEdit* edit = PendingEdit();
    if (!edit)
        return true;
    m_refused = false;
    edit->Commit();
    return !m_refused;
}

void CPropList::ObjectChanged(CDrawObj* object)
{
    if (auto* page = qobject_cast<CPropPage*>(m_shown); page && page->Object() == object)
        page->Load();
    if (m_linkVisible && m_link->Object() == object)
        m_link->Load();
}

void CPropList::PagesChanged()
{
    m_link->RefillTargets();
    if (m_shown == GlobalPage())
        ShowCurrentPage();
}

void CPropList::SetShown(CPropBase* page)
{
    if (m_shown && m_shown != page)
        m_shown->hide();
    m_shown = page;
    LayoutPages();
    updateGeometry();
}

void CPropList::SetLinkVisible(bool visible)
{
    m_linkVisible = visible;
    m_link->setVisible(visible);
    LayoutPages();
    updateGeometry();
}

QSize CPropList::sizeHint() const
{
    QSize size(0, 0);
    for (const CPropBase* page : {static_cast<const CPropBase*>(m_linkVisible ? m_link : nullptr),
                                  static_cast<const CPropBase*>(m_shown)})
        if (page)
            size = QSize(std::max(size.width(), page->sizeHint().width()), size.height() + page->sizeHint().height());
    return size;
}

QSize CPropList::minimumSizeHint() const
{
    return {0, sizeHint().height()};
}

void CPropList::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPages();
}

void CPropList::LayoutPages()
{
    // The link page at its own height and the full width on top; the shown
    // page fills the rest.
    int top = 0;
    if (m_linkVisible) {
        top = m_link->sizeHint().height();
        m_link->setGeometry(0, 0, width(), top);
    }
    if (m_shown) {
        const int rest = height() - top;
        m_shown->setGeometry(0, top, width(), std::max(rest, 0));
        m_shown->setVisible(rest > 0);
    }
}

} // namespace kdx
