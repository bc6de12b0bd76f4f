#include "PropPaneTest.h"
#include "PropValuesTest.h"
#include "app/CEditorApp.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char* argv[])
{
    // Settings live in a folder of this run only.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());

    kdx::CEditorApp::InitProcess();
    QApplication app(argc, argv);
    kdx::CEditorApp::InitApplication(app);

    int failures = 0;
    kdx::test::PropValuesTest values;
    failures += QTest::qExec(&values, argc, argv);
    kdx::test::PropPaneTest pane;
    failures += QTest::qExec(&pane, argc, argv);
    return failures == 0 ? 0 : 1;
}
