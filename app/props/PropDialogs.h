#pragma once
#include "model/ModelTypes.h"

#include <QByteArray>
#include <QString>

#include <optional>

class QWidget;

namespace kdx {

// The dialogs the property fields open.

// The colour dialog starting at 'initial' (white for no colour); on OK the
// chosen colour as the project's depth keeps it (KeptColor), on Cancel
// nothing.
std::optional<Color> ChooseColor(QWidget* parent, Color initial, uint32_t colorDepth);

// The image file dialog's filter, built once per run from the image
// library's decoders: every supported pattern first, then one entry per
// format with its description.
const QString& ImageFileFilter();

// The image open dialog: it starts at 'currentPath' when there is one,
// else in 'lastFolder', and remembers the chosen file's folder there.
std::optional<QString> ChooseImageFile(QWidget* parent, const QString& currentPath, QString& lastFolder);

// The custom data dialog on a copy of 'data'; the accepted bytes, or
// nothing when the user keeps the old ones.
std::optional<QByteArray> EditLinkData(QWidget* parent, const QByteArray& data);

} // namespace kdx
