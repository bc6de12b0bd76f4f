#pragma once
#include <QDialog>
#include <QLineEdit>
#include <optional>

namespace kdx {

// A number field with an up-down button pair tied to it: the buttons and
// the arrow keys step the number within its range; any text may be typed.
class CSpinField : public QWidget {
    Q_OBJECT
public:
    CSpinField(int minimum, int maximum, QWidget* parent = nullptr);
    void SetValue(int value);
    // The field's number when it is a decimal number in range.
    std::optional<int> Value() const;
    QLineEdit* Edit() const { return edit_; }
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    int minimum_;
    int maximum_;
};

// The grid dialog: width and height of a grid cell, each 1 to 128.
class CDlgGrid : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinimum = 1;
    static constexpr int kMaximum = 128;

    CDlgGrid(int gridWidth, int gridHeight, QWidget* parent = nullptr);

    int GridWidth() const { return gridWidth_; }
    int GridHeight() const { return gridHeight_; }
    CSpinField* WidthField() const { return width_; }
    CSpinField* HeightField() const { return height_; }

    void accept() override;

private:
    CSpinField* width_;
    CSpinField* height_;
    int gridWidth_ = 0;
    int gridHeight_ = 0;
};

} // namespace kdx
