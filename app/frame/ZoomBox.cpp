#include "app/frame/ZoomBox.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

namespace kdx {

CZoomBox::CZoomBox(QWidget* parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("ZoomBox"));
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setToolTip(QStringLiteral("显示比例 (Ctrl+滚轮, Ctrl++, Ctrl+-, Ctrl+0 适合窗口)"));
    setAccessibleName(QStringLiteral("显示比例"));
    setFocusPolicy(Qt::ClickFocus);
    setMinimumContentsLength(5); // "800%" and room for typing
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (int preset : ViewScale::Presets())
        addItem(QStringLiteral("%1%").arg(preset), preset);
    lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral(R"(\s*\d{0,4}\s*%?\s*)")), this));
    ShowPercent(ViewScale::kFullPercent);
    connect(this, &QComboBox::textActivated, this, &CZoomBox::Commit);
    connect(lineEdit(), &QLineEdit::editingFinished, this, [this] { Commit(currentText()); });
}

void CZoomBox::ShowPercent(int percent)
{
    m_shown = percent;
    const QSignalBlocker block(this);
    const int index = findData(percent);
    setCurrentIndex(index);
    setEditText(QStringLiteral("%1%").arg(percent));
}

int CZoomBox::ParsePercent(const QString& text)
{
    QString digits = text.trimmed();
    if (digits.endsWith(u'%'))
        digits.chop(1);
    bool ok = false;
    const int value = digits.trimmed().toInt(&ok);
    return ok && value > 0 ? value : 0;
}

void CZoomBox::Commit(const QString& text)
{
    const int percent = ParsePercent(text);
    if (percent <= 0) {
        ShowPercent(m_shown); // not a percentage: the box shows the scale again
        return;
    }
    const int clamped = std::clamp(percent, ViewScale::kMinPercent, ViewScale::kMaxPercent);
    ShowPercent(clamped);
    emit PercentChosen(clamped);
}

} // namespace kdx
