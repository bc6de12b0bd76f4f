#include "app/props/CPaneProp.h"

#include "app/frame/EditorStrings.h"
#include "app/props/CPropList.h"
#include "model/PageDoc.h"

#include <QScrollArea>
#include <QToolButton>

namespace kdx {

CPaneProp::CPaneProp(int id, const QSize& defaultSize, CPageDoc* doc, QWidget* parent)
    : CPaneBase(id, defaultSize, parent), m_doc(doc)
{
    // A short pane scrolls its fields rather than cutting them off.
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("PropScroll"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list = new CPropList(doc, m_scroll);
    m_scroll->setWidget(m_list);
    AddTab(m_scroll, EditorString(IDS_PROPERTY_TAB));
    SelectTab(0);
    MenuButton()->setEnabled(false);
    if (m_doc)
        m_doc->AddObserver(this);
    m_list->ShowCurrentPage();
}

CPaneProp::~CPaneProp()
{
    if (m_doc)
        m_doc->RemoveObserver(this);
}

void CPaneProp::ShowObject(CDrawObj* object, bool shown)
{
    if (shown)
        m_list->ShowObject(object);
    else
        m_list->HideObject(object);
}

void CPaneProp::OnObjectChanged(CDrawObj* object, uint32_t)
{
    m_list->ObjectChanged(object);
}

void CPaneProp::OnCurrentPageChanged(CPage*, CPage*)
{
    m_list->ShowCurrentPage();
}

void CPaneProp::OnPagesChanged()
{
    m_list->PagesChanged();
}

bool CPaneProp::OnCommitEdits()
{
    return m_list->CommitPending();
}

bool CPaneProp::HasPendingEdits() const
{
    return m_list->PendingEdit() != nullptr;
}

} // namespace kdx
