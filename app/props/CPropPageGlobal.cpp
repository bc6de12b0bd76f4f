#include "app/props/CPropPageGlobal.h"

#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "app/props/CPropCtrls.h"
#include "app/props/PropDialogs.h"
#include "app/props/PropValues.h"
#include "model/PageDoc.h"

namespace kdx {
namespace {
bool IsClear(const QString& id) { return id == QLatin1String(CPropCtrlLink::kClearId); }
QString PathOf(const ImageEntry* image) { return image ? image->path : QString(); }
} // namespace

CPropPageGlobal::CPropPageGlobal(CPropList* list) : CPropBase(kDialogId, list)
{
    m_name = AddEdit(PropId::PageName, QStringLiteral("页面名称："));
    m_name->setMaxLength(kMaxNameLength);
    connect(m_name, &CPropCtrlEdit::Committed, this, &CPropPageGlobal::CommitName);
    m_pageId = AddNumberEdit(PropId::PageId, QStringLiteral("自定标识："));
    connect(m_pageId, &CPropCtrlEdit::Committed, this, &CPropPageGlobal::CommitPageId);
    m_loadSend = AddLink(PropId::PageLoadSend, QStringLiteral("加载发送："), /*withClear=*/true);
    connect(m_loadSend, &CPropCtrlLink::LinkChosen, this, [this](const QString& id) { OnSendLink(id, true); });
    m_unloadSend = AddLink(PropId::PageUnloadSend, QStringLiteral("卸载发送："), /*withClear=*/true);
    connect(m_unloadSend, &CPropCtrlLink::LinkChosen, this, [this](const QString& id) { OnSendLink(id, false); });
    m_image = AddLink(PropId::PageImage, QStringLiteral("背景图象："), /*withClear=*/true);
    connect(m_image, &CPropCtrlLink::LinkChosen, this, &CPropPageGlobal::OnImageLink);
    m_color = AddLink(PropId::PageColor, QStringLiteral("背景颜色："), /*withClear=*/true);
    connect(m_color, &CPropCtrlLink::LinkChosen, this, &CPropPageGlobal::OnColorLink);
}

void CPropPageGlobal::Attach(CPage* page)
{
    m_page = page;
    Load();
}

void CPropPageGlobal::Load()
{
    if (!m_page)
        return;
    m_name->SetValue(m_page->Name());
    m_pageId->SetValue(QString::number(m_page->PageId()));
    m_loadSend->SetValue(SendDataText(m_page->LoadSend()));
    m_unloadSend->SetValue(SendDataText(m_page->UnloadSend()));
    m_image->SetValue(PathOf(m_page->BackgroundImage()));
    m_color->SetValue(ColorValueText(m_page->BackgroundColor()));
}

void CPropPageGlobal::CommitName()
{
    if (!m_page)
        return;
    const QString name = m_name->text().left(kMaxNameLength);
    if (name.isEmpty() || !Document()->RenamePage(m_page, name)) {
        Refuse(IDS_BAD_PAGE_NAME);
        return;
    }
    Load();
}

void CPropPageGlobal::CommitPageId()
{
    if (!m_page)
        return;
    const auto id = ParseCount(m_pageId->text());
    if (!id || !Document()->SetPageId(m_page, uint32_t(*id))) {
        Refuse(IDS_BAD_PAGE_ID, {0, int(kMaxPageId), Document()->FirstFreePageId()});
        return;
    }
    Load();
}

void CPropPageGlobal::OnSendLink(const QString& id, bool load)
{
    if (!m_page)
        return;
    CPageDoc* doc = Document();
    const auto store = [&](const QByteArray& bytes) {
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
        if (load)
            doc->SetPageLoadSend(m_page, data, int(bytes.size()), 0);
        else
            doc->SetPageUnloadSend(m_page, data, int(bytes.size()), 0);
    };
    if (IsClear(id)) {
        AnnounceClear(load ? m_loadSend : m_unloadSend);
        store({});
    } else {
        const SendDataEntry* held = load ? m_page->LoadSend() : m_page->UnloadSend();
        // The dialog is modal: the page may have gone meanwhile.
        if (const auto bytes = EditLinkData(this, SendDataBytes(held)); bytes && m_page)
            store(*bytes);
    }
    Load();
}

void CPropPageGlobal::OnImageLink(const QString& id)
{
    if (!m_page)
        return;
    if (IsClear(id)) {
        AnnounceClear(m_image);
        Document()->SetPageBackgroundImage(m_page, QString());
    } else if (const auto path = Document()->ChooseImageFile(PathOf(m_page->BackgroundImage())); path && m_page) {
        Document()->SetPageBackgroundImage(m_page, *path);
    }
    Load();
}

void CPropPageGlobal::OnColorLink(const QString& id)
{
    if (!m_page)
        return;
    if (IsClear(id)) {
        AnnounceClear(m_color);
        Document()->SetPageBackgroundColor(m_page, kNoColor);
    } else if (const auto color = ChooseColor(this, m_page->BackgroundColor(), Document()->header.colorDepth);
               color && m_page) {
        const QString image = PathOf(m_page->BackgroundImage());
        if (Document()->SetPageBackgroundColor(m_page, *color))
            ShowStatusMessage(kStatusInfo, IDS_BACKGROUND_IMAGE_REPLACED, {image});
    }
    Load();
}

} // namespace kdx
