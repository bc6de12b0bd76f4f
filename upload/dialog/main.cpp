// KDX_TU: sends a compiled file to a terminal over a serial port.
#include "common/ProgramInfo.h"
#include "common/QtTranslations.h"
#include "upload/dialog/UploadDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (auto answered = kdx::AnswerInfoOptions(argc, argv, "KDX_TU",
                                                "usage: KDX_TU [FILE.kdpbin]\n"
                                                "The uploader: sends a compiled file to a terminal over a serial port.\n"))
        return *answered;
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
