#include "cli/PngEncoder.h"

#include "common/Crc32.h"

#include <zlib.h>

#include <bit>
#include <vector>

namespace kdx::cli {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kFilterSub = 1;

void AppendBE32(QByteArray& out, uint32_t v)
{
    const char bytes[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(bytes, 4);
}

void AppendChunk(QByteArray& out, const char (&type)[5], const QByteArray& data)
{
    AppendBE32(out, uint32_t(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    AppendBE32(out, ComputeCrc32({reinterpret_cast<const uint8_t*>(out.constData() + start), size_t(4 + data.size())}));
}

// One row as the filter byte and the differences to the pixel on the left.
// An RGB32 pixel lies in memory as B, G, R and an unused byte.
static_assert(std::endian::native == std::endian::little);
void FilterRow(const uint8_t* line, int width, uint8_t* out)
{
    *out++ = kFilterSub;
    uint8_t red = 0, green = 0, blue = 0;
    for (int x = 0; x < width; ++x, line += 4, out += 3) {
        out[0] = uint8_t(line[2] - red);
        out[1] = uint8_t(line[1] - green);
        out[2] = uint8_t(line[0] - blue);
        red = line[2];
        green = line[1];
        blue = line[0];
    }
}

} // namespace

QByteArray EncodePng(const QImage& image, int level)
{
    if (image.isNull())
        return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width(), height = rgb.height();

    z_stream stream{};
    // The level-1 deflate looks for runs only: as small for screens and much
    // faster than its general matching.
    if (deflateInit2(&stream, level, Z_DEFLATED, 15, 8, level == 1 ? Z_RLE : Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    const size_t rowBytes = 1 + size_t(width) * 3;
    std::vector<uint8_t> row(rowBytes);
    QByteArray compressed(qsizetype(deflateBound(&stream, uLong(rowBytes * size_t(height)))), Qt::Uninitialized);
    stream.next_out = reinterpret_cast<Bytef*>(compressed.data());
    stream.avail_out = uInt(compressed.size());
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        FilterRow(rgb.constScanLine(y), width, row.data());
        stream.next_in = row.data();
        stream.avail_in = uInt(rowBytes);
        ok = deflate(&stream, y + 1 == height ? Z_FINISH : Z_NO_FLUSH) == (y + 1 == height ? Z_STREAM_END : Z_OK);
    }
    compressed.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    if (!ok)
        return {};

    QByteArray header;
    AppendBE32(header, uint32_t(width));
    AppendBE32(header, uint32_t(height));
    header.append(char(8));                // bits per sample
    header.append(char(2));                // colour type: RGB
    header.append(3, char(0));             // deflate, adaptive filtering, no interlace
    QByteArray png(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
    AppendChunk(png, "IHDR", header);
    AppendChunk(png, "IDAT", compressed);
    AppendChunk(png, "IEND", {});
    return png;
}

} // namespace kdx::cli
