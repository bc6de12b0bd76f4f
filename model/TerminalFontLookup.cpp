#include "model/TerminalFontLookup.h"

#include <QFontDatabase>
#include <QStringList>

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

} // namespace

QFont TerminalQFont(const TerminalFont& font)
{
    QFont result(ChineseFamily());
    result.setPixelSize(font.cellHeight);
    result.setFixedPitch(true);
    result.setWeight(QFont::Normal);
    result.setStyleStrategy(QFont::NoAntialias);
    return result;
}

} // namespace kdx
