#pragma once
#include <QComboBox>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace kdx {

// The page view's scale in whole percent, and the one mapping between page
// pixels and screen pixels that drawing, hit testing and the in-place editor
// share. Screen pixel s shows page pixel floor((s + 0.5) / scale); page pixel
// x starts at screen pixel ceil(x * scale - 0.5). Whole percentages keep the
// mapping exact, so neighbouring repaints never disagree by a pixel.
class ViewScale {
public:
    static constexpr int kMinPercent = 25;
    static constexpr int kMaxPercent = 800;
    static constexpr int kFullPercent = 100;

    int Percent() const { return m_percent; }
    // Clamps to 25..800; returns whether the scale changed.
    bool SetPercent(int percent);
    bool IsOneToOne() const { return m_percent == kFullPercent; }
    double Factor() const { return m_percent / 100.0; }

    // The preset scales the keys and the wheel step through.
    static int NextPercent(int percent);
    static int PreviousPercent(int percent);
    // The largest scale at which `page` plus `margin` on each side fits in
    // `room`, within the limits.
    static int FitPercent(const QSize& page, const QSize& room, int margin);

    int ToScreen(int pageCoordinate) const;
    int ToPage(int screenCoordinate) const;
    QPoint ToScreen(const QPoint& page) const { return {ToScreen(page.x()), ToScreen(page.y())}; }
    QPoint ToPage(const QPoint& screen) const { return {ToPage(screen.x()), ToPage(screen.y())}; }
    // The screen pixels that show the page pixels of `page` (right and bottom
    // exclusive, as QRect's width and height count).
    QRect ToScreen(const QRect& page) const;
    // The page pixels shown by the screen pixels of `screen`.
    QRect PageCovering(const QRect& screen) const;
    QSize ToScreen(const QSize& page) const { return {ToScreen(page.width()), ToScreen(page.height())}; }

    // Scales `source`, whose pixel (0, 0) is page pixel `sourceOrigin`, onto
    // the screen pixels of `screenArea`. Enlarging repeats pixels (the
    // terminal's pixels stay sharp); reducing averages the page pixels each
    // screen pixel covers, so that one-pixel lines stay visible.
    QImage ScaleImage(const QImage& source, const QPoint& sourceOrigin, const QRect& screenArea) const;

private:
    int m_percent = kFullPercent;
};

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
