#include "app/FileFilters.h"

#include <QStringList>

namespace kdx {

QString ConvertFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& name = parts[i];
        const QString& pattern = parts[i + 1];
        if (name.isEmpty())
            break;
        const QString suffix = u'(' + pattern + u')';
        entries << (name.endsWith(suffix) ? name : name + u' ' + suffix);
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace kdx
