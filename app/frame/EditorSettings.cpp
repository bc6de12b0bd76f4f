#include "app/frame/EditorSettings.h"

#include "app/frame/EditorStrings.h"

namespace kdx {

std::unique_ptr<QSettings> EditorSettings()
{
    return std::make_unique<QSettings>(QStringLiteral("ZOV"), EditorString(IDS_APP_TITLE));
}

} // namespace kdx
