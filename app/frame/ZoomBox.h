#pragma once
#include "terminal/ViewScale.h"

#include <QComboBox>

namespace kdx {

// The zoom box of the status bar: shows the view's scale and lets the user
// pick a preset or type a percentage.
class CZoomBox : public QComboBox {
    Q_OBJECT
public:
    explicit CZoomBox(QWidget* parent = nullptr);

    // Shows `percent` without reporting it back.
    void ShowPercent(int percent);
    // Reads "150", "150%" or " 150 % "; 0 when the text is no percentage.
    static int ParsePercent(const QString& text);

signals:
    void PercentChosen(int percent);

private:
    void Commit(const QString& text);

    int m_shown = ViewScale::kFullPercent;
};

} // namespace kdx
