#pragma once
#include <QByteArray>
#include <QImage>

namespace kdx::cli {

// Encodes an opaque image as an 8-bit RGB PNG at the given zlib level (0-9).
// Every row uses the "Sub" filter, which turns the flat areas of a screen
// into runs of zeros, instead of trying every filter per row: most of the
// time of a general encoder at a low level goes into that choice. Empty
// when the image is null or compression fails.
QByteArray EncodePng(const QImage& image, int level);

} // namespace kdx::cli
