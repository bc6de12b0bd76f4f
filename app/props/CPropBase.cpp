#include "app/props/CPropBase.h"

#include "app/frame/EditorStrings.h"
#include "app/frame/FieldLabels.h"
#include "app/frame/Messages.h"
#include "app/props/CPropCtrls.h"
#include "app/props/CPropList.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace kdx {
namespace {

constexpr int kSpacing = 3;
constexpr int kLabelGap = 4;

// The undo step of a field: 修改 and what its label names.
FieldStep StepFor(CPageDoc* doc, PropId id, QString label)
{
    switch (id) {
    case PropId::PageName: return {doc, QStringLiteral("重命名页面")};
    case PropId::LineColor:
    case PropId::RectColor:
    case PropId::RoundRectColor:
    case PropId::EllipseColor:
    case PropId::TextColor: return {doc, QStringLiteral("修改颜色")};
    default: break;
    }
    label.remove(QRegularExpression(QStringLiteral("\\(.*\\)|[：:]$")));
    return {doc, QStringLiteral("修改") + label};
}

} // namespace

CPropBase::CPropBase(int dialogId, CPropList* list) : QWidget(list), m_dialogId(dialogId), m_list(list)
{
    setObjectName(QString::number(dialogId));
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
}

CPageDoc* CPropBase::Document() const { return m_list->Document(); }

QWidget* CPropBase::Control(PropId id) const
{
    for (const Row& row : m_rows)
        if (row.control->objectName() == QString::number(int(id)))
            return row.control;
    return nullptr;
}

QLabel* CPropBase::Label(PropId id) const
{
    for (const Row& row : m_rows)
        if (row.control->objectName() == QString::number(int(id)))
            return row.label;
    return nullptr;
}

void CPropBase::AddRow(PropId id, const QString& label, QWidget* control)
{
    auto* caption = new QLabel(label, this);
    LabelField(caption, control);
    control->setObjectName(QString::number(int(id)));
    m_rows.push_back({caption, control});
    m_controls.push_back(control);
    LayoutRows();
}

CPropCtrlEdit* CPropBase::AddEdit(PropId id, const QString& label, bool readOnly)
{
    auto* edit = new CPropCtrlEdit(this);
    edit->setReadOnly(readOnly);
    edit->SetStep(StepFor(Document(), id, label));
    AddRow(id, label, edit);
    return edit;
}

CPropCtrlEdit* CPropBase::AddNumberEdit(PropId id, const QString& label)
{
    CPropCtrlEdit* edit = AddEdit(id, label);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

CPropCtrlLink* CPropBase::AddLink(PropId id, const QString& label, bool withClear)
{
    auto* link = new CPropCtrlLink(withClear, this);
    link->SetStep(StepFor(Document(), id, label));
    AddRow(id, label, link);
    return link;
}

CPropCtrlList* CPropBase::AddList(PropId id, const QString& label)
{
    auto* list = new CPropCtrlList(this);
    list->SetStep(StepFor(Document(), id, label));
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(8);
    AddRow(id, label, list);
    return list;
}

void CPropBase::Refuse(int stringId, std::initializer_list<QVariant> args)
{
    m_list->NoteRefused();
    Load();
    ShowStatusMessage(kStatusError, stringId, args);
}

void CPropBase::AnnounceClear(const CPropCtrlLink* link) const
{
    for (const Row& row : m_rows)
        if (row.control == link) {
            QString label = row.label->text();
            label.remove(QRegularExpression(QStringLiteral("[：:]$")));
            ShowStatusMessage(kStatusInfo, IDS_FIELD_CLEARED, {label, link->Value()});
            return;
        }
}

QSize CPropBase::sizeHint() const
{
    int height = kMargin;
    int labelWidth = 0;
    for (const Row& row : m_rows) {
        height += std::max(row.label->sizeHint().height(), row.control->sizeHint().height()) + kSpacing;
        labelWidth = std::max(labelWidth, row.label->sizeHint().width());
    }
    return {kMargin + labelWidth + kLabelGap + kNaturalControlWidth + kMargin, height + kMargin};
}

void CPropBase::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutRows();
}

void CPropBase::LayoutRows()
{
    int labelWidth = 0;
    for (const Row& row : m_rows)
        labelWidth = std::max(labelWidth, row.label->sizeHint().width());
    const int controlLeft = kMargin + labelWidth + kLabelGap;
    const int rightEdge = width() - kMargin;
    int y = kMargin;
    for (const Row& row : m_rows) {
        const int height = std::max(row.label->sizeHint().height(), row.control->sizeHint().height());
        row.label->setGeometry(kMargin, y, labelWidth, height);
        int controlWidth = kNaturalControlWidth;
        // Controls that begin left of the right edge are widened to reach it.
        if (width() >= kMinWidenWidth && controlLeft < rightEdge)
            controlWidth = rightEdge - controlLeft;
        row.control->setGeometry(controlLeft, y, controlWidth, height);
        y += height + kSpacing;
    }
}

} // namespace kdx
