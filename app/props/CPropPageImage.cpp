#include "app/props/CPropPageImage.h"

#include "app/props/CPropCtrls.h"
#include "model/DrawObj.h"
#include "model/PageDoc.h"

namespace kdx {
namespace {
CDrawImage* Image(CDrawObj* object) { return static_cast<CDrawImage*>(object); }
QString PathOf(const ImageEntry* image) { return image ? image->path : QString(); }
} // namespace

CPropPageImage::CPropPageImage(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(PropId::ImageSize);
    AddTopLeftRow(PropId::ImageTopLeft);
    AddBottomRightRow(PropId::ImageBottomRight);
    m_normal = AddLink(PropId::ImageNormal, QStringLiteral("正常图象："), /*withClear=*/false);
    connect(m_normal, &CPropCtrlLink::LinkChosen, this, [this] {
        if (Object())
            Image(Object())->ChooseNormalImage();
        Load();
    });
    m_pressed = AddLink(PropId::ImagePressed, QStringLiteral("按下图象："), /*withClear=*/true);
    connect(m_pressed, &CPropCtrlLink::LinkChosen, this, &CPropPageImage::OnPressedLink);
}

void CPropPageImage::OnPressedLink(const QString& id)
{
    if (!Object() || !Document())
        return;
    if (id == QLatin1String(CPropCtrlLink::kClearId)) {
        AnnounceClear(m_pressed);
        Image(Object())->ClearPressedImage();
    } else {
        const auto path = Document()->ChooseImageFile(PathOf(Image(Object())->PressedImage()));
        if (path && Object())
            Image(Object())->SetPressedImage(*path);
    }
    Load();
}

void CPropPageImage::LoadFields()
{
    const CDrawImage* image = Image(Object());
    m_normal->SetValue(PathOf(image->NormalImage()));
    m_pressed->SetValue(PathOf(image->PressedImage()));
}

} // namespace kdx
