#include "PropPaneTest.h"
#include "PropValuesTest.h"
#include "AppTestSupport.h"
#include "app/frame/CEditorApp.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Each class is its own CTest entry (see CMakeLists.txt).
const kdx::test::TestClass kTestClasses[] = {
    {"PropValuesTest", kdx::test::MakeTestClass<kdx::test::PropValuesTest>},
    {"PropPaneTest", kdx::test::MakeTestClass<kdx::test::PropPaneTest>},
};

} // namespace

int main(int argc, char* argv[])
{
    // Settings live in a folder of this run only.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());

    kdx::CEditorApp::InitProcess();
    QApplication app(argc, argv);
    kdx::CEditorApp::InitApplication(app);

    return kdx::test::RunTestClasses(kTestClasses, argc, argv);
}
