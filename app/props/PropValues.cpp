#include "app/props/PropValues.h"

#include <QRegularExpression>
#include <QStringList>
#include <limits>

namespace kdx {
namespace {

constexpr int kMaxPointText = 127;
constexpr int kShownBytes = 16;

std::optional<int32_t> ToInt32(const QString& digits)
{
    bool ok = false;
    const qlonglong value = digits.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

} // namespace

QString ColorValueText(Color color)
{
    if (color == kNoColor)
        return {};
    const uint32_t rgb = (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
    return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

QString BytesValueText(std::span<const uint8_t> bytes)
{
    QStringList parts;
    for (size_t i = 0; i < bytes.size() && i < size_t(kShownBytes); ++i)
        parts << QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    QString text = parts.join(u' ');
    if (bytes.size() > size_t(kShownBytes))
        text += QStringLiteral("...");
    return text;
}

QByteArray SendDataBytes(const SendDataEntry* data)
{
    if (!data)
        return {};
    return QByteArray(reinterpret_cast<const char*>(data->bytes.data()), qsizetype(data->bytes.size()));
}

QString SendDataText(const SendDataEntry* data)
{
    return data ? BytesValueText(data->bytes) : QString();
}

QString PointText(int32_t x, int32_t y)
{
    return QStringLiteral("%1,%2").arg(x).arg(y);
}

QString CornerText(int32_t x, int32_t y)
{
    return PointText(int32_t(int64_t(x) - 1), int32_t(int64_t(y) - 1));
}

QString SizeText(int32_t width, int32_t height)
{
    return QStringLiteral("%1 x %2").arg(width).arg(height);
}

std::optional<PointValue> ParsePoint(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^[ \\t]*([+-]?[0-9]+)[ \\t]*,[ \\t]*([+-]?[0-9]+)[ \\t]*$"));
    if (text.size() > kMaxPointText)
        return std::nullopt;
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto x = ToInt32(match.captured(1));
    const auto y = ToInt32(match.captured(2));
    if (!x || !y)
        return std::nullopt;
    return PointValue{*x, *y};
}

std::optional<PointValue> ParseCorner(const QString& text)
{
    const auto point = ParsePoint(text);
    if (!point || point->x == std::numeric_limits<int32_t>::max() ||
        point->y == std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return PointValue{point->x + 1, point->y + 1};
}

std::optional<SizeValue> ParseSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*([0-9]+)\\s*[xX×*]\\s*([0-9]+)\\s*$"));
    if (text.size() > kMaxPointText)
        return std::nullopt;
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto width = ToInt32(match.captured(1));
    const auto height = ToInt32(match.captured(2));
    if (!width || !height)
        return std::nullopt;
    return SizeValue{*width, *height};
}

std::optional<int32_t> ParseCount(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const auto value = ToInt32(text);
    if (!value || *value < 0)
        return std::nullopt;
    return value;
}

} // namespace kdx
