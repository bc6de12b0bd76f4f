// "kdx render" as scripts use it: one page or all pages into PNG files, and
// one clear line for a file it cannot draw.
#include "tests/render/RenderTestSupport.h"

#include "render/PageRenderer.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace kdx::testing {
namespace {

struct KdxRun {
    int exitCode = -1;
    QString err;
};

KdxRun RunKdx(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(KDX_BIN_DIR "/kdx"), args);
    EXPECT_TRUE(process.waitForFinished(60000));
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
}

TEST(RenderCommand, WritesOnePageOrEveryPageAsTheRendererDrawsThem)
{
    EnsureGuiApplication();
    Workspace workspace;
    ProjectDesc project = SmallProject(16);
    for (uint32_t id : {4u, 9u, 2u}) {
        PageDesc page;
        page.pageId = id;
        page.backgroundColor = Rgb(int(id) * 20, 0, 0);
        project.pages.push_back(page);
    }
    const std::vector<uint8_t> file = CompileToBytes(workspace, project);
    const auto image = Load(file);
    ASSERT_TRUE(image);
    const QString input = QString::fromStdString(workspace.Path("p.kdpbin"));

    const QString one = QString::fromStdString(workspace.Path("one.png"));
    KdxRun run = RunKdx({"render", input, "--page", "1", one});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(QImage(one).convertToFormat(QImage::Format_RGB32), render::RenderPage(*image, 1));

    const QString all = QString::fromStdString(workspace.Path("all.png"));
    run = RunKdx({"render", input, all});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    for (int page = 0; page < 3; ++page) {
        const QString path = QString::fromStdString(workspace.Path("all-" + std::to_string(page) + ".png"));
        EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), render::RenderPage(*image, page)) << page;
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(workspace.Path("all-3.png"))));

    run = RunKdx({"render", input, "--page", "3", one});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("page 3 does not exist")) << run.err.toStdString();
}

// Every level gives the pixels the renderer drew; higher levels no larger
// files. The screen is 61 pixels wide, so rows end mid-word.
TEST(RenderCommand, CompressionLevelsKeepThePixels)
{
    EnsureGuiApplication();
    Workspace workspace;
    ProjectDesc project = SmallProject(24, 61, 37);
    PageDesc page;
    page.backgroundColor = Rgb(10, 200, 30);
    for (int i = 0; i < 12; ++i) {
        ObjectDesc shape = Shape(i % 2 ? "CDrawEllipse" : "CDrawRect", uint32_t(i + 1), i * 5, i * 3, i * 5 + 9, i * 3 + 11);
        shape.fillColor = Rgb(i * 20, 255 - i * 20, i * 7);
        page.objects.push_back(shape);
    }
    project.pages = {page};
    const auto image = Load(CompileToBytes(workspace, project));
    ASSERT_TRUE(image);
    const QImage expected = render::RenderPage(*image, 0);
    const QString input = QString::fromStdString(workspace.Path("p.kdpbin"));
    qint64 previous = -1;
    for (const char* level : {"0", "1", "6", "9"}) {
        const QString out = QString::fromStdString(workspace.Path(std::string("level") + level + ".png"));
        const KdxRun run = RunKdx({"render", "--compression", level, input, "--page", "0", out});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB32), expected) << level;
        const qint64 size = QFileInfo(out).size();
        if (previous >= 0) {
            EXPECT_LE(size, previous) << level;
        }
        previous = size;
    }
    for (const char* bad : {"10", "-1", "fast"})
        EXPECT_EQ(RunKdx({"render", "--compression", bad, input, "x.png"}).exitCode, 2) << bad;
}

TEST(RenderCommand, FilesItCannotDrawGiveOneLine)
{
    Workspace workspace;
    const std::string empty = workspace.Path("empty.kdpbin");
    WriteBytes(empty, {});
    const std::string project = workspace.Path("p.kdp");
    WriteBytes(project, BuildProjectFile(SmallProject(16)));
    const std::string out = workspace.Path("x.png");
    for (const auto& [input, message] :
         {std::pair{empty, QStringLiteral("不是KDX触屏工程编译文件")}, std::pair{project, QStringLiteral("不是KDX触屏工程编译文件")}}) {
        const KdxRun run = RunKdx({"render", QString::fromStdString(input), QString::fromStdString(out)});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(message)) << run.err.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(out)));
    EXPECT_EQ(RunKdx({"render", "only-one-argument"}).exitCode, 2);
}

} // namespace
} // namespace kdx::testing
