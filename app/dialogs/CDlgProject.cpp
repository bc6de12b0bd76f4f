#include "app/dialogs/CDlgProject.h"

#include "app/frame/EditorStrings.h"
#include "app/frame/FieldLabels.h"
#include "app/frame/Messages.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace kdx {

std::optional<QSize> ParseResolution(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[ \\t]*(\\d+)[ \\t]*[xX][ \\t]*(\\d+)[ \\t]*$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool widthOk = false;
    bool heightOk = false;
    const int width = match.captured(1).toInt(&widthOk);
    const int height = match.captured(2).toInt(&heightOk);
    // Digit runs too long for an int are out of any valid range.
    return QSize(widthOk ? width : -1, heightOk ? height : -1);
}

CDlgProject::CDlgProject(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(EditorString(IDS_PROJECT_DIALOG_TITLE));
    setObjectName(QStringLiteral("120"));

    resolution_ = new QComboBox(this);
    resolution_->setObjectName(QStringLiteral("8001"));
    resolution_->setEditable(true);
    resolution_->setInsertPolicy(QComboBox::NoInsert);
    resolution_->lineEdit()->setMaxLength(kMaximumTextLength);
    resolution_->addItem(FormatText(QStringLiteral("%d x %d"), {480, 272}));
    resolution_->setCurrentIndex(0);

    depthBox_ = new QComboBox(this);
    depthBox_->setObjectName(QStringLiteral("8002"));
    for (int depth : {16, 24})
        depthBox_->addItem(FormatText(QStringLiteral("%d"), {depth}), depth);
    depthBox_->setCurrentIndex(0);

    auto* form = new QFormLayout;
    auto* resolutionLabel = new QLabel(EditorString(IDS_RESOLUTION_LABEL), this);
    LabelField(resolutionLabel, resolution_);
    // Typing goes to the box's own edit field, which is named as well.
    resolution_->lineEdit()->setAccessibleName(resolution_->accessibleName());
    auto* depthLabel = new QLabel(EditorString(IDS_DEPTH_LABEL), this);
    LabelField(depthLabel, depthBox_);
    form->addRow(resolutionLabel, resolution_);
    form->addRow(depthLabel, depthBox_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgProject::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CDlgProject::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resolution_->setMinimumWidth(160);
}

void CDlgProject::accept()
{
    const QSize size = ParseResolution(resolution_->currentText()).value_or(QSize(0, 0));
    const auto inRange = [](int side) { return side >= kMinimumSide && side <= kMaximumSide; };
    if (!inRange(size.width()) || !inRange(size.height())) {
        ShowMessageBox(this, IDS_BAD_RESOLUTION, QMessageBox::Warning, QMessageBox::Ok,
                       {kMinimumSide, kMaximumSide, kMinimumSide, kMaximumSide});
        resolution_->setFocus();
        return;
    }
    if (depthBox_->currentIndex() < 0) {
        ShowMessageBox(this, IDS_NO_DEPTH, QMessageBox::Warning);
        depthBox_->setFocus();
        return;
    }
    width_ = size.width();
    height_ = size.height();
    depth_ = depthBox_->currentData().toInt();
    QDialog::accept();
}

} // namespace kdx
