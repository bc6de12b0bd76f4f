#pragma once
#include "model/ModelTypes.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>

namespace kdx {

// Value texts and parsing rules of the property fields.

// "#RRGGBB", as people read colours, of the stored 0x00BBGGRR value; no
// colour gives an empty text.
QString ColorValueText(Color color);
// Up to 16 bytes as "%02X" separated by single spaces, then "..." when
// there are more; no bytes give an empty text.
QString BytesValueText(std::span<const uint8_t> bytes);

// The bytes of a send-data block and their value text (none: empty).
QByteArray SendDataBytes(const SendDataEntry* data);
QString SendDataText(const SendDataEntry* data);

QString PointText(int32_t x, int32_t y);
// An inclusive corner shows the last pixel inside: (x - 1, y - 1).
QString CornerText(int32_t x, int32_t y);
QString SizeText(int32_t width, int32_t height);

struct PointValue {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const PointValue&) const = default;
};

// "x,y" with optional blanks around each number and an optional sign;
// at most 127 characters. Numbers outside 32 bits fail.
std::optional<PointValue> ParsePoint(const QString& text);
// A corner as typed adds 1 to both numbers (the exclusive edge); a corner
// whose edge would not fit in 32 bits fails.
std::optional<PointValue> ParseCorner(const QString& text);
struct SizeValue {
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const SizeValue&) const = default;
};
// "w x h" as the size field shows it: two unsigned numbers separated by an
// x (or "×", "*"), blanks around each allowed.
std::optional<SizeValue> ParseSize(const QString& text);

// Unsigned decimal digits only (no sign, no blanks) up to 2147483647.
std::optional<int32_t> ParseCount(const QString& text);

} // namespace kdx
