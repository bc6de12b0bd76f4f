#pragma once
#include <QSettings>

#include <memory>

namespace kdx {

// The settings store of the editor: recent files, the bar layout, choices
// remembered between runs.
std::unique_ptr<QSettings> EditorSettings();

} // namespace kdx
