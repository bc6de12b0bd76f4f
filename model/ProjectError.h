#pragma once
#include <QString>
#include <QStringList>

namespace kdx {

// A failure to open or save a project: the string id of the message and,
// for damaged contents and file-system errors, what could not be done.
struct ProjectError {
    int stringId = 0;
    QStringList args; // filled into the text where it is a format
    QString Text() const;
};

} // namespace kdx
