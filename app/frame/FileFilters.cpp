#include "app/frame/FileFilters.h"

#include <QStringList>

namespace kdx {
namespace {

const QString kEveryFileWithDot = QStringLiteral("*.*");
const QString kEveryFile = QStringLiteral("*");

} // namespace

QString ConvertFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        QString pattern = parts[i + 1];
        if (name.isEmpty())
            break;
        // "*.*" means every file in these filters, but here it would
        // hide the many files whose names have no dot.
        if (pattern == kEveryFileWithDot) {
            if (name.endsWith(u'(' + pattern + u')'))
                name.replace(name.size() - pattern.size() - 1, pattern.size(), kEveryFile);
            pattern = kEveryFile;
        }
        const QString suffix = u'(' + pattern + u')';
        entries << (name.endsWith(suffix) ? name : name + u' ' + suffix);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace kdx
