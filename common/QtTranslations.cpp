#include "common/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace kdx {

bool InstallQtTranslations(QCoreApplication& app)
{
    // "qt_zh_CN" names the catalogues of every Qt module and loads them.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace kdx
