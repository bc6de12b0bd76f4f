#include "terminal/PixelConvert.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

namespace kdx {

namespace {

// Composes transparent pixels over black so that the result is opaque RGB32.
QImage OpaqueRgb32(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage target(image.size(), QImage::Format_RGB32);
    target.fill(0);
    QPainter painter(&target);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(0, 0, image);
    painter.end();
    return target;
}

// Qt's own (vectorised) reduction to 5-6-5 cuts each component as Pack565
// does, then every pixel is stored high byte first.
void WriteRgb565BigEndian(const QImage& rgb32, char* out)
{
    const QImage rgb16 = rgb32.convertToFormat(QImage::Format_RGB16);
    const int width = rgb16.width();
    for (int y = 0; y < rgb16.height(); ++y) {
        auto* line = reinterpret_cast<const quint16*>(rgb16.constScanLine(y));
        auto* target = reinterpret_cast<uchar*>(out) + size_t(y) * size_t(width) * 2;
        for (int x = 0; x < width; ++x) {
            target[2 * x] = uchar(line[x] >> 8);
            target[2 * x + 1] = uchar(line[x]);
        }
    }
}

void WriteBgr888(const QImage& rgb32, char* out)
{
    for (int y = 0; y < rgb32.height(); ++y) {
        auto* line = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
        for (int x = 0; x < rgb32.width(); ++x) {
            const QRgb c = line[x];
            *out++ = char(qBlue(c));
            *out++ = char(qGreen(c));
            *out++ = char(qRed(c));
        }
    }
}

} // namespace

QImage ScaleOpaque(const QImage& image, int width, int height)
{
    if (image.isNull() || width < 1 || height < 1)
        return {};
    QImage opaque = OpaqueRgb32(image);
    if (opaque.width() != width || opaque.height() != height)
        opaque = opaque.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_RGB32);
    return opaque;
}

QByteArray ConvertImageToPixels(const QImage& image, int width, int height, int colorDepth)
{
    const int bytesPerPixel = BytesPerPixel(colorDepth);
    if (bytesPerPixel == 0)
        return {};
    const QImage opaque = ScaleOpaque(image, width, height);
    if (opaque.isNull())
        return {};
    QByteArray frame(qsizetype(width) * height * bytesPerPixel, Qt::Uninitialized);
    if (colorDepth == int(ColorDepth::Rgb565))
        WriteRgb565BigEndian(opaque, frame.data());
    else
        WriteBgr888(opaque, frame.data());
    return frame;
}

QByteArray ConvertImageToPixels(const QImage& image, int colorDepth)
{
    return ConvertImageToPixels(image, image.width(), image.height(), colorDepth);
}

void PreferSignatureFormat(QImageReader& reader)
{
    QIODevice* device = reader.device();
    if (!device)
        return;
    if (!device->isOpen()) {
        auto* file = qobject_cast<QFile*>(device);
        if (!file || !QFileInfo(file->fileName()).isFile() || !file->open(QIODevice::ReadOnly))
            return;
    }
    static const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
    static const QByteArray kJpegSignature("\xFF\xD8\xFF", 3);
    const QByteArray head = device->peek(kPngSignature.size());
    const char* format = head.startsWith(kPngSignature) ? "png" : head.startsWith(kJpegSignature) ? "jpeg" : nullptr;
    if (!format)
        return;
    reader.setFormat(format);
    reader.setAutoDetectImageFormat(false);
}

QByteArray ConvertFileToPixels(const QString& path, int width, int height, int colorDepth)
{
    QImageReader reader(path);
    PreferSignatureFormat(reader);
    return ConvertImageToPixels(reader.read(), width, height, colorDepth);
}

QImage PixelsToImage(const QByteArray& frame, int width, int height, int colorDepth)
{
    const int bytesPerPixel = BytesPerPixel(colorDepth);
    if (bytesPerPixel == 0 || width < 1 || height < 1
        || frame.size() != qsizetype(width) * height * bytesPerPixel)
        return {};
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull())
        return {}; // no memory for the pixels
    auto* in = reinterpret_cast<const uchar*>(frame.constData());
    for (int y = 0; y < height; ++y) {
        uchar* out = image.scanLine(y);
        for (int x = 0; x < width; ++x, out += 3) {
            if (colorDepth == int(ColorDepth::Rgb565)) {
                const QRgb shown = Unpack565(uint16_t(in[0] << 8 | in[1]));
                in += 2;
                out[0] = uchar(qRed(shown));
                out[1] = uchar(qGreen(shown));
                out[2] = uchar(qBlue(shown));
            } else {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
                in += 3;
            }
        }
    }
    return image;
}

} // namespace kdx
