#include "AccessibilityTest.h"
#include "CommandTest.h"
#include "CompilePaneTest.h"
#include "DialogTest.h"
#include "FrameTest.h"
#include "LauncherTest.h"
#include "LinkDataTest.h"
#include "PageViewTest.h"
#include "PageListTest.h"
#include "StatusBarTest.h"
#include "TextEditTest.h"
#include "app/CEditorApp.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

template <class T>
std::unique_ptr<QObject> Make()
{
    return std::make_unique<T>();
}

struct TestClass {
    const char* name;
    std::unique_ptr<QObject> (*make)();
};

// Every test class of the editor. Each is its own CTest entry (see
// CMakeLists.txt), so that a failure names its class.
const TestClass kTestClasses[] = {
    {"StatusBarTest", Make<kdx::test::StatusBarTest>},
    {"DialogTest", Make<kdx::test::DialogTest>},
    {"CommandTest", Make<kdx::test::CommandTest>},
    {"FrameTest", Make<kdx::test::FrameTest>},
    {"LauncherTest", Make<kdx::test::LauncherTest>},
    {"CompilePaneTest", Make<kdx::test::CompilePaneTest>},
    {"PageListTest", Make<kdx::test::PageListTest>},
    {"LinkDataTest", Make<kdx::test::LinkDataTest>},
    {"AccessibilityTest", Make<kdx::test::AccessibilityTest>},
    {"PageViewTest", Make<kdx::test::PageViewTest>},
    {"TextEditTest", Make<kdx::test::TextEditTest>},
};

// "test_app" runs every class; "test_app NAME [Qt Test options]" runs one;
// "test_app --registered NAME..." fails when a class of the program is not
// among the names, so that no class is left out of CTest.
int RunTestClasses(int argc, char* argv[])
{
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("--registered")) {
        int missing = 0;
        for (const TestClass& c : kTestClasses)
            if (!args.mid(2).contains(QLatin1String(c.name))) {
                std::fprintf(stderr, "test class %s has no CTest entry\n", c.name);
                ++missing;
            }
        return missing == 0 ? 0 : 1;
    }
    if (args.size() >= 2 && !args[1].startsWith(QLatin1Char('-'))) {
        for (const TestClass& c : kTestClasses)
            if (args[1] == QLatin1String(c.name)) {
                std::vector<char*> rest{argv[0]};
                rest.insert(rest.end(), argv + 2, argv + argc);
                return QTest::qExec(c.make().get(), int(rest.size()), rest.data());
            }
        std::fprintf(stderr, "no test class %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const TestClass& c : kTestClasses)
        failures += QTest::qExec(c.make().get(), argc, argv);
    return failures == 0 ? 0 : 1;
}

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

    return RunTestClasses(argc, argv);
}
