#include "common/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kdx {
namespace {

// Qt 6 moved the file dialog's type names ("Folder", "Drive") to a context
// that the catalogue does not cover yet; they are looked up under the
// contexts that carried them before.
class MovedContextTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*, int n) const override
    {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        const QString source = QString::fromUtf8(sourceText);
        for (const char* old : {"QFileDialog", "QFileIconProvider", "QFileSystemModel"}) {
            const QString text = QCoreApplication::translate(old, sourceText, nullptr, n);
            if (text != source)
                return text;
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

bool InstallQtTranslations(QCoreApplication& app)
{
    // Dates, sizes and file type names in Qt's dialogs follow the same
    // language as their buttons.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    // "qt_zh_CN" names the catalogues of every Qt module and loads them.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qt_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(new MovedContextTranslator(&app));
    return QCoreApplication::installTranslator(translator);
}

} // namespace kdx
