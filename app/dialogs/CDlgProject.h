#pragma once
#include <QDialog>
#include <optional>

class QComboBox;

namespace kdx {

// A parsed "width x height" text (blanks allowed around the numbers and the
// letter x or X); nullopt when the text has any other form.
std::optional<QSize> ParseResolution(const QString& text);

// The new-project dialog: screen resolution and colour depth.
class CDlgProject : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinimumSide = 1;
    static constexpr int kMaximumSide = 2048;
    static constexpr int kMaximumTextLength = 127;

    explicit CDlgProject(QWidget* parent = nullptr);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int ColorDepth() const { return depth_; }

    QComboBox* ResolutionBox() const { return resolution_; }
    QComboBox* DepthBox() const { return depthBox_; }

    void accept() override;

private:
    QComboBox* resolution_;
    QComboBox* depthBox_;
    int width_ = 0;
    int height_ = 0;
    int depth_ = 0;
};

} // namespace kdx
