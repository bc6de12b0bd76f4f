#include "app/dialogs/CDlgGrid.h"

#include "app/frame/EditorStrings.h"
#include "app/frame/FieldLabels.h"
#include "app/frame/Messages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kdx {

CSpinField::CSpinField(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), minimum_(minimum), maximum_(maximum)
{
    edit_ = new QLineEdit(this);
    edit_->installEventFilter(this);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {up, down}) {
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down, &QToolButton::clicked, this, [this] { Step(-1); });

    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(0);
    buttons->addWidget(up);
    buttons->addWidget(down);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_, 1);
    layout->addLayout(buttons);
    setFocusProxy(edit_);
}

void CSpinField::SetValue(int value)
{
    edit_->setText(QString::number(std::clamp(value, minimum_, maximum_)));
}

std::optional<int> CSpinField::Value() const
{
    bool ok = false;
    const int value = edit_->text().trimmed().toInt(&ok, 10);
    if (!ok || value < minimum_ || value > maximum_)
        return std::nullopt;
    return value;
}

void CSpinField::Step(int delta)
{
    bool ok = false;
    const int value = edit_->text().trimmed().toInt(&ok, 10);
    SetValue(ok ? value + delta : minimum_);
}

bool CSpinField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

CDlgGrid::CDlgGrid(int gridWidth, int gridHeight, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(EditorString(IDS_GRID_DIALOG_TITLE));
    setObjectName(QStringLiteral("121"));
    width_ = new CSpinField(kMinimum, kMaximum, this);
    height_ = new CSpinField(kMinimum, kMaximum, this);
    width_->Edit()->setObjectName(QStringLiteral("8011"));
    height_->Edit()->setObjectName(QStringLiteral("8013"));
    width_->SetValue(gridWidth > 0 ? gridWidth : 1);
    height_->SetValue(gridHeight > 0 ? gridHeight : 1);

    auto* form = new QFormLayout;
    auto* widthLabel = new QLabel(EditorString(IDS_GRID_WIDTH_LABEL), this);
    auto* heightLabel = new QLabel(EditorString(IDS_GRID_HEIGHT_LABEL), this);
    LabelField(widthLabel, width_);
    LabelField(heightLabel, height_);
    // The edit fields hold the focus and are what a screen reader announces.
    for (CSpinField* field : {width_, height_})
        field->Edit()->setAccessibleName(field->accessibleName());
    form->addRow(widthLabel, width_);
    form->addRow(heightLabel, height_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgGrid::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgGrid::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CDlgGrid::accept()
{
    const auto width = width_->Value();
    if (!width) {
        ShowStatusMessage(kStatusError, IDS_BAD_GRID_WIDTH);
        width_->setFocus();
        return;
    }
    const auto height = height_->Value();
    if (!height) {
        ShowStatusMessage(kStatusError, IDS_BAD_GRID_HEIGHT);
        height_->setFocus();
        return;
    }
    gridWidth_ = *width;
    gridHeight_ = *height;
    QDialog::accept();
}

} // namespace kdx
