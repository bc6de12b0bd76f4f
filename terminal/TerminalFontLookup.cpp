#include "terminal/TerminalFontLookup.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>

namespace kdx {
namespace {

QString ChineseFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const char* wanted : {"WenQuanYi Zen Hei Mono", "WenQuanYi Zen Hei", "Noto Sans Mono CJK SC",
                                   "Noto Sans CJK SC", "AR PL UMing CN"})
            if (installed.contains(QLatin1String(wanted)))
                return QString::fromLatin1(wanted);
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        return chinese.isEmpty() ? QString() : chinese.first();
    }();
    return family;
}

QFont FontAtSize(int pixelSize)
{
    QFont result(ChineseFamily());
    result.setPixelSize(pixelSize);
    result.setFixedPitch(true);
    result.setWeight(QFont::Normal);
    result.setStyleStrategy(QFont::NoAntialias);
    return result;
}

// Glyphs that reach furthest up, down and sideways: every printable ASCII
// character (half a cell wide on the terminal) and Chinese characters,
// full-width punctuation and symbols (a whole cell).
const QString kHalfWidthSample = [] {
    QString s;
    for (char16_t c = 0x21; c < 0x7F; ++c)
        s += QChar(c);
    return s;
}();
const QString kFullWidthSample = QStringLiteral("中国龍鬱爨齉瓣譬羹嚷囊巍攀馨鑫，。！？；：（）【】《》“”‘’、…—～￥§№☆■◆▲●");

// The ink of one glyph drawn with its baseline at y = 0 and its origin at
// x = 0: left, top, right and bottom, all inclusive; null when it has none.
QRect InkOf(const QFont& font, QChar glyph)
{
    const int size = font.pixelSize();
    const QPoint origin(size, 2 * size);
    QImage canvas(4 * size, 4 * size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(origin, QString(glyph));
    }
    QRect ink;
    for (int y = 0; y < canvas.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < canvas.width(); ++x)
            if (row[x] & 0xFFFFFF)
                ink |= QRect(x, y, 1, 1);
    }
    return ink.translated(-origin);
}

struct InkExtent {
    int top = 0, bottom = 0; // relative to the baseline, inclusive
    bool fitsWidth = true;
};

InkExtent MeasureInk(const QFont& font, const TerminalFont& terminal)
{
    InkExtent extent;
    bool first = true;
    auto take = [&](const QString& sample, int cellWidth) {
        for (QChar c : sample) {
            const QRect ink = InkOf(font, c);
            if (ink.isNull())
                continue;
            extent.top = first ? ink.top() : std::min(extent.top, ink.top());
            extent.bottom = first ? ink.bottom() : std::max(extent.bottom, ink.bottom());
            first = false;
            if (ink.left() < 0 || ink.right() >= cellWidth)
                extent.fitsWidth = false;
        }
    };
    take(kHalfWidthSample, terminal.cellWidth / 2);
    take(kFullWidthSample, terminal.cellWidth);
    return extent;
}

TerminalGlyphs FitGlyphs(const TerminalFont& terminal)
{
    // From the cell height down: the first size whose ink is no taller than
    // the cell and no wider than the glyph's cell. The baseline puts the
    // tallest ink at the top of the cell and shares what is left equally.
    for (int size = terminal.cellHeight; size > terminal.cellHeight / 2; --size) {
        const QFont font = FontAtSize(size);
        const InkExtent ink = MeasureInk(font, terminal);
        const int height = ink.bottom - ink.top + 1;
        if (height <= terminal.cellHeight && ink.fitsWidth)
            return {font, -ink.top + (terminal.cellHeight - height) / 2};
    }
    const QFont font = FontAtSize(terminal.cellHeight * 3 / 4);
    return {font, QFontMetrics(font).ascent()};
}

} // namespace

const TerminalGlyphs& TerminalGlyphsOf(const TerminalFont& font)
{
    static std::mutex mutex;
    static std::map<uint32_t, TerminalGlyphs> fitted; // entries stay where they are
    std::lock_guard lock(mutex);
    auto it = fitted.find(font.id);
    if (it == fitted.end())
        it = fitted.emplace(font.id, FitGlyphs(font)).first;
    return it->second;
}

QFont TerminalQFont(const TerminalFont& font) { return TerminalGlyphsOf(font).font; }

} // namespace kdx
