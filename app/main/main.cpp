#include "app/frame/CAppFrame.h"
#include "app/frame/CEditorApp.h"
#include "app/page/CPageView.h"
#include "app/panes/CPaneCompile.h"
#include "app/page/PictureLoader.h"
#include "common/ProgramInfo.h"

#include <QApplication>
#include <QPointer>

int main(int argc, char* argv[])
{
    if (auto answered = kdx::AnswerInfoOptions(argc, argv, "KDX_TE",
                                                "usage: KDX_TE [PROJECT.kdp]\n"
                                                "The panel editor: opens the project, or starts an empty one.\n"))
        return *answered;
    kdx::CEditorApp::InitProcess();
    QApplication app(argc, argv);
    kdx::CEditorApp::InitApplication(app);
    if (!kdx::CEditorApp::CheckImageLibrary())
        return 1;
    kdx::CAppFrame frame;
    // The window opens at once; pictures follow as the pages showing them are drawn.
    kdx::PictureLoader pictures(frame.Document());
    auto* pageView = new kdx::CPageView(frame.Document());
    frame.SetPageView(pageView);
    // An object named by a compiler message becomes the only selected one.
    frame.CreateCompilePane()->SetObjectSelector(
        [view = QPointer<kdx::CPageView>(pageView)](kdx::CDrawObj* object) {
            return view && view->SelectOnly(object);
        });
    kdx::CEditorApp::ShowAndOpen(frame, QApplication::arguments());
    return QApplication::exec();
}
