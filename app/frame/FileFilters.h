#pragma once
#include <QString>

namespace kdx {

// Converts a "name|pattern|name|pattern||" filter of the string table into
// the file dialog's "name (pattern);;..." form; names that already end in
// their pattern in parentheses are kept as they are. The pattern "*.*"
// becomes "*", so that "all files" includes names without a dot.
QString ConvertFilter(const QString& filter);

} // namespace kdx
