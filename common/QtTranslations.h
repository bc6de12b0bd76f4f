#pragma once

class QCoreApplication;

namespace kdx {

// Installs Qt's own Chinese catalogue (standard buttons, file and colour
// dialogs) and makes Chinese Qt's default locale, so that the framework's
// texts speak the programs' language whatever the desktop's locale. Returns false when the catalogue is not
// installed; the framework's texts then stay in English.
bool InstallQtTranslations(QCoreApplication& app);

} // namespace kdx
