#include "terminal/ViewScale.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kdx {

namespace {

constexpr std::array<int, 16> kPresets = {25, 33, 50, 67, 75, 100, 125, 150, 200, 250, 300, 400, 500, 600, 700, 800};

// Floor and ceiling of a / b for b > 0 and any sign of a.
long long FloorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
long long CeilDiv(long long a, long long b) { return -FloorDiv(-a, b); }

// The span [first, last] of source pixels that screen pixel s covers.
struct Span {
    int first;
    int last;
};

} // namespace

std::span<const int> ViewScale::Presets() { return kPresets; }

bool ViewScale::SetPercent(int percent)
{
    percent = std::clamp(percent, kMinPercent, kMaxPercent);
    if (percent == m_percent)
        return false;
    m_percent = percent;
    return true;
}

int ViewScale::NextPercent(int percent)
{
    for (int preset : kPresets)
        if (preset > percent)
            return preset;
    return kMaxPercent;
}

int ViewScale::PreviousPercent(int percent)
{
    for (auto it = kPresets.rbegin(); it != kPresets.rend(); ++it)
        if (*it < percent)
            return *it;
    return kMinPercent;
}

int ViewScale::FitPercent(const QSize& page, const QSize& room, int margin)
{
    if (page.isEmpty())
        return kFullPercent;
    const int width = room.width() - 2 * margin;
    const int height = room.height() - 2 * margin;
    int percent = int(std::min(100LL * width / page.width(), 100LL * height / page.height()));
    percent = std::clamp(percent, kMinPercent, kMaxPercent);
    // Rounding may make the page one pixel too large: step down until it fits.
    ViewScale scale;
    while (percent > kMinPercent) {
        scale.m_percent = percent;
        if (scale.ToScreen(page.width()) <= width && scale.ToScreen(page.height()) <= height)
            break;
        --percent;
    }
    return percent;
}

int ViewScale::ToScreen(int page) const
{
    // ceil(page * percent / 100 - 1/2)
    return int(CeilDiv(2LL * page * m_percent - 100, 200));
}

int ViewScale::ToPage(int screen) const
{
    // floor((screen + 1/2) * 100 / percent)
    return int(FloorDiv((2LL * screen + 1) * 50, m_percent));
}

int ViewScale::KeepAnchor(int screen, const ViewScale& from) const
{
    const int page = from.ToPage(screen);
    const long long oldFirst = from.ToScreen(page);
    const long long oldSpan = std::max(1, from.ToScreen(page + 1) - from.ToScreen(page));
    const long long first = ToScreen(page);
    const long long span = std::max(1, ToScreen(page + 1) - ToScreen(page));
    // Reduced, the page pixel's span may be empty: its first screen pixel shows it.
    return int(first + std::min(span - 1, (screen - oldFirst) * span / oldSpan));
}

QRect ViewScale::ToScreen(const QRect& page) const
{
    // Reduced, a screen pixel shared with the next page pixels still shows
    // the rectangle's last pixel: it belongs to the rectangle.
    const auto end = [this](int first, int count) {
        return count > 0 ? std::max(ToScreen(first + count), ToScreen(first + count - 1) + 1) : ToScreen(first);
    };
    const int left = ToScreen(page.left());
    const int top = ToScreen(page.top());
    return {left, top, end(page.left(), page.width()) - left, end(page.top(), page.height()) - top};
}

QRect ViewScale::PageCovering(const QRect& screen) const
{
    // Page pixels x with ToScreen(x) <= s < ToScreen(x + 1) are shown by s;
    // for a reduced view several share one screen pixel.
    const int left = ToPage(screen.left() - 1) + 1;
    const int top = ToPage(screen.top() - 1) + 1;
    const int right = ToPage(screen.left() + screen.width() - 1);
    const int bottom = ToPage(screen.top() + screen.height() - 1);
    const int firstX = std::min(left, ToPage(screen.left()));
    const int firstY = std::min(top, ToPage(screen.top()));
    return QRect(QPoint(firstX, firstY), QPoint(std::max(right, firstX), std::max(bottom, firstY)));
}

QImage ViewScale::ScaleImage(const QImage& sourceImage, const QPoint& origin, const QRect& area) const
{
    const QImage source = sourceImage.convertToFormat(QImage::Format_RGB32);
    QImage out(area.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    if (source.isNull() || area.isEmpty())
        return out;
    // The source pixels each screen column and row shows, clamped to the source.
    const auto spans = [this](int first, int count, int originCoordinate, int limit) {
        std::vector<Span> result(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const int s = first + i;
            int lo = ToPage(s) - originCoordinate;
            int hi = lo;
            if (m_percent < kFullPercent) {
                lo = ToPage(s - 1) + 1 - originCoordinate;
                hi = std::max(lo, hi);
            }
            result[size_t(i)] = {std::clamp(lo, 0, limit - 1), std::clamp(hi, 0, limit - 1)};
        }
        return result;
    };
    const auto columns = spans(area.left(), area.width(), origin.x(), source.width());
    const auto rows = spans(area.top(), area.height(), origin.y(), source.height());
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        const Span row = rows[size_t(y)];
        if (m_percent >= kFullPercent) {
            const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(row.first));
            for (int x = 0; x < area.width(); ++x)
                line[x] = in[columns[size_t(x)].first];
            continue;
        }
        for (int x = 0; x < area.width(); ++x) {
            const Span column = columns[size_t(x)];
            int r = 0, g = 0, b = 0, n = 0;
            for (int sy = row.first; sy <= row.last; ++sy) {
                const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
                for (int sx = column.first; sx <= column.last; ++sx, ++n) {
                    r += qRed(in[sx]);
                    g += qGreen(in[sx]);
                    b += qBlue(in[sx]);
                }
            }
            line[x] = qRgb(r / n, g / n, b / n);
        }
    }
    return out;
}

} // namespace kdx
