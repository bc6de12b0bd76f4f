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

    int failures = 0;
    kdx::test::StatusBarTest statusBar;
    failures += QTest::qExec(&statusBar, argc, argv);
    kdx::test::DialogTest dialogs;
    failures += QTest::qExec(&dialogs, argc, argv);
    kdx::test::CommandTest commands;
    failures += QTest::qExec(&commands, argc, argv);
    kdx::test::FrameTest frame;
    failures += QTest::qExec(&frame, argc, argv);
    kdx::test::LauncherTest launcher;
    failures += QTest::qExec(&launcher, argc, argv);
    kdx::test::CompilePaneTest compilePane;
    failures += QTest::qExec(&compilePane, argc, argv);
    kdx::test::PageListTest pageList;
    failures += QTest::qExec(&pageList, argc, argv);
    kdx::test::LinkDataTest linkData;
    failures += QTest::qExec(&linkData, argc, argv);
    kdx::test::AccessibilityTest accessibility;
    failures += QTest::qExec(&accessibility, argc, argv);
    kdx::test::PageViewTest pageView;
    failures += QTest::qExec(&pageView, argc, argv);
    kdx::test::TextEditTest textEdit;
    failures += QTest::qExec(&textEdit, argc, argv);
    return failures == 0 ? 0 : 1;
}
