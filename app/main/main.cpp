#include "app/CAppFrame.h"
#include "app/CEditorApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    kdx::CEditorApp::InitProcess();
    QApplication app(argc, argv);
    kdx::CEditorApp::InitApplication(app);
    kdx::CAppFrame frame;
    frame.show();
    kdx::CEditorApp::ProcessCommandLine(frame, QApplication::arguments());
    return QApplication::exec();
}
