// KDX_TU: sends a compiled file to a terminal over a serial port.
#include "common/QtTranslations.h"
#include "upload/dialog/UploadDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    kdx::InstallQtTranslations(app);
    kdx::upload::UploadDialog dialog;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (!args[i].startsWith('-')) {
            dialog.SetFilePath(args[i]);
            break;
        }
    }
    dialog.show();
    return app.exec();
}
