#include "app/CAppFrame.h"
#include "app/CEditorApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    kdx::CEditorApp::InitProcess();
    QApplication app(argc, argv);
    kdx::CEditorApp::InitApplication(app);
    if (!kdx::CEditorApp::CheckImageLibrary())
        return 1;
    kdx::CAppFrame frame;
    frame.CreateCompilePane();
    kdx::CEditorApp::ProcessCommandLine(frame, QApplication::arguments());
    frame.show();
    return QApplication::exec();
}
