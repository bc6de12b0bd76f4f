#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <span>

namespace kdx {

// A view's scale in whole percent, and the one mapping between page pixels
// and screen pixels that the editor's drawing, hit testing and in-place
// editor and the simulator's screen share. Screen pixel s shows page pixel floor((s + 0.5) / scale); page pixel
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

    // The preset scales the keys, the wheel and the zoom box step through.
    static std::span<const int> Presets();
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

    // The screen pixel that shows, at this scale, the page pixel screen
    // pixel `screen` shows at scale `from`, at the same place within it, so
    // that a zoom keeps the point under the mouse.
    int KeepAnchor(int screen, const ViewScale& from) const;
    QPoint KeepAnchor(const QPoint& screen, const ViewScale& from) const
    {
        return {KeepAnchor(screen.x(), from), KeepAnchor(screen.y(), from)};
    }

    // Scales `source`, whose pixel (0, 0) is page pixel `sourceOrigin`, onto
    // the screen pixels of `screenArea`. Enlarging repeats pixels (the
    // terminal's pixels stay sharp); reducing averages the page pixels each
    // screen pixel covers, so that one-pixel lines stay visible.
    QImage ScaleImage(const QImage& source, const QPoint& sourceOrigin, const QRect& screenArea) const;

private:
    int m_percent = kFullPercent;
};

} // namespace kdx
