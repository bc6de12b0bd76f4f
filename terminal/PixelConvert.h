#pragma once
#include "terminal/ColorDepth.h"

#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QString>

namespace kdx {

// The terminal's raw pixel formats: depth 16 is RGB 5-6-5 stored big-endian
// (first byte RRRRRGGG, second GGGBBBBB), depth 24 is the bytes B, G, R.
// A frame is width x height pixels, rows top to bottom, no row padding.

// Converts a decoded image into a frame of exactly width x height pixels at
// the given depth. The image is scaled with smooth resampling to fill the
// whole frame (aspect ratio not kept); transparent pixels are composed over
// black (a zero-filled target). Returns an empty array when the image is
// null, the size is below 1 x 1 or the depth is not 16 or 24.
QByteArray ConvertImageToPixels(const QImage& image, int width, int height, int colorDepth);

// The first half of the conversion: the image made opaque (transparent
// pixels composed over black) in RGB32 and smoothly scaled to width x height.
// Null when the image is null or the size is below 1 x 1.
QImage ScaleOpaque(const QImage& image, int width, int height);

// The same at the image's own size.
QByteArray ConvertImageToPixels(const QImage& image, int colorDepth);

// Makes the reader use the handler that a file's first bytes name (PNG,
// JPEG) instead of asking every installed image plugin in turn, which loads
// each of them: more work than reading a picture's header. The reader's own
// detection finds the same handler for these; other files are left to it.
// A device not yet open is opened only when it is a regular file, so that a
// path naming a pipe cannot block.
void PreferSignatureFormat(QImageReader& reader);

// Decodes an image file (any format Qt reads) and converts it as above.
// Returns an empty array when the file is missing or cannot be decoded.
QByteArray ConvertFileToPixels(const QString& path, int width, int height, int colorDepth);

// Turns a frame back into a QImage for display (RGB888); a null image when
// the frame's size does not match width x height at that depth.
QImage PixelsToImage(const QByteArray& frame, int width, int height, int colorDepth);

} // namespace kdx
