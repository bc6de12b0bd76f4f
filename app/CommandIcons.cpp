#include "app/CommandIcons.h"

#include "app/Commands.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace kdx {
namespace {

constexpr int kIconSide = 24;

QImage RenderSvg(const QString& path, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

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

QIcon BuildIcon(const QString& path)
{
    // Rendered at each size it is shown in (menus 16, toolbars 24, and
    // their high-density forms), so no size is a blurred copy of another.
    QIcon icon;
    for (int side : {16, kIconSide, 32, 2 * kIconSide}) {
        const QImage normal = RenderSvg(path, side);
        const QPixmap normalPixmap = QPixmap::fromImage(normal);
        const QPixmap disabledPixmap = QPixmap::fromImage(DisabledLook(normal));
        icon.addPixmap(normalPixmap, QIcon::Normal);
        icon.addPixmap(normalPixmap, QIcon::Active);
        icon.addPixmap(normalPixmap, QIcon::Selected);
        icon.addPixmap(disabledPixmap, QIcon::Disabled);
    }
    return icon;
}

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
    QIcon icon = path ? BuildIcon(QString::fromLatin1(path)) : QIcon();
    cache.insert(id, icon);
    return icon;
}

QIcon ApplicationIcon()
{
    InitIconResources();
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(RenderSvg(QStringLiteral(":/icons/app.svg"), side)));
    return icon;
}

} // namespace kdx
