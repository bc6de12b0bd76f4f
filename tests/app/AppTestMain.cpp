#include "AccessibilityTest.h"
#include "AppTestSupport.h"
#include "ClipboardTest.h"
#include "CommandTest.h"
#include "ComfortTest.h"
#include "CompilePaneTest.h"
#include "DialogTest.h"
#include "DocumentManagerTest.h"
#include "EditSafetyTest.h"
#include "FrameTest.h"
#include "LauncherTest.h"
#include "LinkDataTest.h"
#include "PageViewTest.h"
#include "PageListTest.h"
#include "PanelParityTest.h"
#include "ProjectPicturesTest.h"
#include "StatusBarTest.h"
#include "TextEditTest.h"
#include "UndoStepTest.h"
#include "UndoTest.h"
#include "ZoomTest.h"
#include "app/frame/CEditorApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every test class of the editor. Each is its own CTest entry (see
// CMakeLists.txt), so that a failure names its class.
const kdx::test::TestClass kTestClasses[] = {
    {"StatusBarTest", kdx::test::MakeTestClass<kdx::test::StatusBarTest>},
    {"DialogTest", kdx::test::MakeTestClass<kdx::test::DialogTest>},
    {"CommandTest", kdx::test::MakeTestClass<kdx::test::CommandTest>},
    {"DocumentManagerTest", kdx::test::MakeTestClass<kdx::test::DocumentManagerTest>},
    {"FrameTest", kdx::test::MakeTestClass<kdx::test::FrameTest>},
    {"LauncherTest", kdx::test::MakeTestClass<kdx::test::LauncherTest>},
    {"CompilePaneTest", kdx::test::MakeTestClass<kdx::test::CompilePaneTest>},
    {"PageListTest", kdx::test::MakeTestClass<kdx::test::PageListTest>},
    {"LinkDataTest", kdx::test::MakeTestClass<kdx::test::LinkDataTest>},
    {"AccessibilityTest", kdx::test::MakeTestClass<kdx::test::AccessibilityTest>},
    {"PageViewTest", kdx::test::MakeTestClass<kdx::test::PageViewTest>},
    {"TextEditTest", kdx::test::MakeTestClass<kdx::test::TextEditTest>},
    {"UndoTest", kdx::test::MakeTestClass<kdx::test::UndoTest>},
    {"UndoStepTest", kdx::test::MakeTestClass<kdx::test::UndoStepTest>},
    {"ClipboardTest", kdx::test::MakeTestClass<kdx::test::ClipboardTest>},
    {"ZoomTest", kdx::test::MakeTestClass<kdx::test::ZoomTest>},
    {"PanelParityTest", kdx::test::MakeTestClass<kdx::test::PanelParityTest>},
    {"ComfortTest", kdx::test::MakeTestClass<kdx::test::ComfortTest>},
    {"ProjectPicturesTest", kdx::test::MakeTestClass<kdx::test::ProjectPicturesTest>},
    {"EditSafetyTest", kdx::test::MakeTestClass<kdx::test::EditSafetyTest>},
};

} // namespace

int main(int argc, char* argv[])
{
    // Settings and file types live in folders of this run only.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    const QString mime = home.filePath(QStringLiteral("data/mime/packages"));
    QDir().mkpath(mime);
    QFile::copy(QStringLiteral(KDX_SOURCE_DIR "/app/desktop/kdx-mime.xml"), mime + QStringLiteral("/kdx.xml"));
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());

    kdx::CEditorApp::InitProcess();
    QApplication app(argc, argv);
    kdx::CEditorApp::InitApplication(app);

    return kdx::test::RunTestClasses(kTestClasses, argc, argv);
}
