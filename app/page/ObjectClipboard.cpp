#include "app/page/ObjectClipboard.h"

#include "app/frame/EditorStrings.h"
#include "app/frame/Messages.h"
#include "model/DrawObj.h"
#include "model/ObjectTransfer.h"
#include "model/PageDoc.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUuid>

#include <algorithm>

namespace kdx {
namespace {

constexpr uint32_t kMaxStep = 0x7FFFFFFF; // a grid step read from a file may be any u32

} // namespace

CObjectClipboard::CObjectClipboard(CPageDoc& doc, QObject* parent) : QObject(parent), m_doc(doc)
{
    NewSession();
    QClipboard* clipboard = QGuiApplication::clipboard();
    connect(clipboard, &QClipboard::dataChanged, this, &CObjectClipboard::OnClipboardChanged);
    OnClipboardChanged();
}

void CObjectClipboard::NewSession()
{
    m_token = QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void CObjectClipboard::OnClipboardChanged()
{
    // Asked once per change: the enable rule runs often and the owner of
    // the clipboard may be another program.
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    m_hasObjects = data && data->hasFormat(QLatin1String(kMimeType));
}

QString CObjectClipboard::Describe(const std::vector<CDrawObj*>& objects)
{
    QStringList lines;
    for (const CDrawObj* object : objects) {
        const PageRect& r = object->Bounds();
        QString line = QStringLiteral("%1 (%2, %3)-(%4, %5)")
                           .arg(QLatin1String(ObjectKindLabel(object->Kind()))).arg(r.left).arg(r.top).arg(r.right).arg(r.bottom);
        if (auto* text = dynamic_cast<const CDrawText*>(object); text && !text->Text().empty())
            line += QStringLiteral(" \"%1\"").arg(QString::fromStdU16String(text->Text()));
        if (auto* image = dynamic_cast<const CDrawImage*>(object); image && image->NormalImage())
            line += QStringLiteral(" %1").arg(image->NormalImage()->path);
        lines << line;
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool CObjectClipboard::Copy(const std::vector<CDrawObj*>& objects)
{
    const CPage* page = m_doc.CurrentPage();
    if (objects.empty() || !page)
        return false;
    const std::vector<const CDrawObj*> list(objects.begin(), objects.end());
    const std::vector<uint8_t> bytes = WriteObjectTransfer({m_token, page->PageId(), m_doc.ProjectFolder()}, list);
    auto* data = new QMimeData;
    data->setData(QLatin1String(kMimeType),
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    data->setText(Describe(objects));
    QGuiApplication::clipboard()->setMimeData(data);
    m_hasObjects = true;
    return true;
}

bool CObjectClipboard::CanPaste() const
{
    return m_hasObjects && m_doc.CurrentPage();
}

std::vector<CDrawObj*> CObjectClipboard::Paste()
{
    return PasteFrom(QGuiApplication::clipboard()->mimeData());
}

std::vector<CDrawObj*> CObjectClipboard::PasteFrom(const QMimeData* data)
{
    CPage* page = m_doc.CurrentPage();
    if (!page || !data || !data->hasFormat(QLatin1String(kMimeType)))
        return {};
    const QByteArray raw = data->data(QLatin1String(kMimeType));
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(raw.constData()), size_t(raw.size()));
    ObjectTransferRead read = ReadObjectTransfer(m_doc, page, bytes);
    if (!read.error.isEmpty()) {
        ShowStatusMessage(kStatusError, QString::fromUtf16(u"剪贴板中的对象数据已损坏，未能粘贴（%1）").arg(read.error));
        return {};
    }
    if (page->Objects().size() + read.objects.size() > kMaxObjectsPerPage) {
        ShowStatusMessage(kStatusError, QString::fromUtf16(u"页面最多容纳65534个对象，未能粘贴"));
        return {};
    }
    // Pasted onto the page they came from, the copies lie one grid step
    // away from their originals so that both can be seen.
    const bool sameProject = read.origin.sessionToken == m_token;
    int32_t dx = 0, dy = 0;
    if (sameProject && read.origin.pageId == page->PageId()) {
        dx = int32_t(std::min<uint32_t>(m_doc.view.gridWidth, kMaxStep));
        dy = int32_t(std::min<uint32_t>(m_doc.view.gridHeight, kMaxStep));
    }
    PlacedObjects placed = PlaceTransferredObjects(m_doc, read, dx, dy, sameProject);
    if (placed.clearedJumps > 0)
        ShowStatusMessage(kStatusInfo, IDS_PASTE_JUMPS_CLEARED, {placed.clearedJumps});
    return std::move(placed.objects);
}

} // namespace kdx
