#include "app/props/CPropPageText.h"

#include "app/props/CPropCtrls.h"
#include "model/DrawObj.h"
#include "model/ModelStrings.h"

#include <QComboBox>

namespace kdx {
namespace {
constexpr int32_t kMaxCharSpacing = 255;
CDrawText* Text(CDrawObj* object) { return static_cast<CDrawText*>(object); }
} // namespace

CPropPageText::CPropPageText(CPropList* list) : CPropPage(kDialogId, list)
{
    AddSizeRow(PropId::TextSize);
    AddTopLeftRow(PropId::TextTopLeft);
    AddBottomRightRow(PropId::TextBottomRight);
    m_font = AddList(PropId::TextFont, QStringLiteral("字体："));
    for (uint32_t id = 1; id <= 3; ++id)
        m_font->addItem(ModelString(kStrFirstFontName + int(id) - 1), id);
    connect(m_font, &CPropCtrlList::Chosen, this, [this](int index) {
        if (Object() && index >= 0)
            Text(Object())->SetFontId(m_font->itemData(index).toUInt());
        Load();
    });
    m_tabSize = AddNumberEdit(PropId::TextTabSize, QStringLiteral("制表大小："));
    connect(m_tabSize, &CPropCtrlEdit::Committed, this, [this] {
        CommitCount(m_tabSize, [this](int32_t n) { Text(Object())->SetTabSize(n); });
    });
    m_lineSpacing = AddNumberEdit(PropId::TextLineSpacing, QStringLiteral("行间隔："));
    connect(m_lineSpacing, &CPropCtrlEdit::Committed, this, [this] {
        CommitCount(m_lineSpacing, [this](int32_t n) { Text(Object())->SetLineSpacing(n); });
    });
    // The compiled text carries the character spacing as one byte.
    m_charSpacing = AddNumberEdit(PropId::TextCharSpacing, QStringLiteral("字符间隔："));
    connect(m_charSpacing, &CPropCtrlEdit::Committed, this, [this] {
        CommitCount(m_charSpacing, kMaxCharSpacing, [this](int32_t n) { Text(Object())->SetCharSpacing(n); });
    });
    AddColorRow(PropId::TextColor);
}

void CPropPageText::LoadFields()
{
    const CDrawText* text = Text(Object());
    m_font->setCurrentIndex(m_font->findData(text->FontId()));
    m_tabSize->SetValue(QString::number(uint32_t(text->TabSize())));
    m_lineSpacing->SetValue(QString::number(uint32_t(text->LineSpacing())));
    m_charSpacing->SetValue(QString::number(uint32_t(text->CharSpacing())));
}

} // namespace kdx
