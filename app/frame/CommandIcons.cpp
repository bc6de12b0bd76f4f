#include "app/frame/CommandIcons.h"

#include "app/frame/Commands.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

#include <algorithm>
#include <memory>

static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace kdx {
namespace {

constexpr int kIconSide = 24;

// The disabled look: the image in light grey tones at reduced opacity, so
// the shape stays recognisable but clearly inactive.
QImage DisabledLook(const QImage& normal)
{
    QImage image = normal.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int grey = 128 + qGray(pixel) / 3;
            line[x] = qRgba(grey, grey, grey, qAlpha(pixel) * 3 / 5);
        }
    }
    return image;
}

// Draws an icon from its SVG file at the size it is asked for (menus 16,
// toolbars 24, and their high-density forms), so no size is a blurred copy
// of another. The file is read and each size drawn only when first shown:
// a window with dozens of commands opens without drawing icons that no one
// has looked at yet.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString path) : m_path(std::move(path)) {}

    QIconEngine* clone() const override { return new SvgIconEngine(m_path); }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min(size.width(), size.height());
        return {side, side};
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {{16, 16}, {kIconSide, kIconSide}, {32, 32}, {2 * kIconSide, 2 * kIconSide}, {64, 64}};
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const int side = actualSize(size, mode, state).width();
        if (side <= 0)
            return {};
        const bool disabled = mode == QIcon::Disabled;
        const quint64 key = quint64(side) << 1 | quint64(disabled);
        auto it = m_drawn.constFind(key);
        if (it == m_drawn.constEnd()) {
            if (!m_renderer)
                m_renderer = std::make_unique<QSvgRenderer>(m_path);
            QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            m_renderer->render(&painter);
            painter.end();
            it = m_drawn.insert(key, QPixmap::fromImage(disabled ? DisabledLook(image) : image));
        }
        return *it;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), drawn);
    }

private:
    QString m_path;
    std::unique_ptr<QSvgRenderer> m_renderer;
    QHash<quint64, QPixmap> m_drawn;
};

} // namespace

QIcon CommandIcon(int id)
{
    // Never destroyed: pixmaps must not outlive the application object.
    static auto& cache = *new QHash<int, QIcon>;
    auto it = cache.constFind(id);
    if (it != cache.constEnd())
        return *it;
    InitIconResources();
    const char* path = CommandIconPath(id);
    QIcon icon = path ? QIcon(new SvgIconEngine(QString::fromLatin1(path))) : QIcon();
    cache.insert(id, icon);
    return icon;
}

QIcon ApplicationIcon()
{
    InitIconResources();
    return QIcon(new SvgIconEngine(QStringLiteral(":/icons/app.svg")));
}

} // namespace kdx
