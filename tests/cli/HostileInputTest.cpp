// The command-line companion and the programs fed what a careless script or
// a hostile file system hands them: names that look like messages, paths the
// channel cannot hold, FIFOs and devices, and information options.
#include "common/FileHeader.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ProjectBuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace kdx;
using kdx::test::ProgramRun;
using kdx::test::RunProgram;

namespace {

std::vector<uint8_t> ReadAll(const QString& path)
{
    std::ifstream in(QFile::encodeName(path).toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A small project that compiles: one page with one rectangle.
std::vector<uint8_t> SmallProject()
{
    kdx::testing::ProjectDesc project;
    kdx::testing::PageDesc page;
    page.pageId = 1;
    page.objects = {kdx::testing::Shape("CDrawRect", 1, 0, 0, 10, 10)};
    page.objects[0].fillColor = 0x0000FF;
    project.pages = {page};
    return kdx::testing::BuildProjectFile(project);
}

// Runs kdx with arguments passed as bytes (QProcess would pass them through
// the local encoding); its output goes to 'log'. Returns the exit status.
int RunWithRawArguments(const std::vector<std::string>& args, const std::string& log)
{
    const std::string program = KDX_BIN_DIR "/kdx";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, program.c_str(), &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    int status = 0;
    if (started != 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

QString MakeFifo(const QTemporaryDir& dir, const char* name)
{
    const QString path = dir.filePath(name);
    EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    return path;
}

} // namespace

TEST(KdxCompileHostile, MessagesThatQuoteTheNameDoNotMakeSuccess)
{
    QTemporaryDir dir;
    // Not a project, but its name puts the success words into a message.
    const QString project = dir.filePath(QString::fromUtf8("x>已经生成文件.kdp"));
    kdx::testing::WriteBytes(QFile::encodeName(project).toStdString(), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'r', 'o', 'j'});
    const QString output = dir.filePath("out.kdpbin");
    ProgramRun run = RunProgram("kdx", {"compile", project, output});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QString::fromUtf8("*不是KDX触摸工程文件")));
    EXPECT_FALSE(QFile::exists(output));

    // A good project compiles to a fresh sealed file and exits 0, also when
    // an older file of that name is replaced.
    const QString good = dir.filePath(QString::fromUtf8("好>已经生成文件.kdp"));
    kdx::testing::WriteBytes(QFile::encodeName(good).toStdString(), SmallProject());
    kdx::testing::WriteBytes(QFile::encodeName(output).toStdString(), {1, 2, 3});
    run = RunProgram("kdx", {"compile", good, output});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(CheckCompiledFile(ReadAll(output)), CompiledCheck::Ok);
}

TEST(KdxCompileHostile, PathsTheChannelCannotHoldAreRefused)
{
    QTemporaryDir dir;
    // Folders of 100 characters until the project path "P.kdp" is 259 units
    // long; its output "P.kdpbin" would be cut to "P.kdp" by the channel.
    QString folder = dir.path();
    while (folder.size() + 1 + 100 + 1 + 10 < 259 - 5) {
        folder += '/' + QString(100, 'd');
        ASSERT_TRUE(QDir().mkpath(folder));
    }
    const QString stem = folder + '/' + QString(259 - 4 - folder.size() - 1, 'p');
    const QString project = stem + ".kdp";
    ASSERT_EQ(project.size(), 259);
    const std::vector<uint8_t> bytes = SmallProject();
    kdx::testing::WriteBytes(QFile::encodeName(project).toStdString(), bytes);

    ProgramRun run = RunProgram("kdx", {"compile", project, stem + ".kdpbin"});
    ASSERT_TRUE(run.finished);
    EXPECT_NE(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QString::fromUtf8("*路径过长，最多259个字符：“") + stem + ".kdpbin”"))
        << run.out.toStdString();
    EXPECT_EQ(ReadAll(project), bytes); // the project is untouched
    EXPECT_FALSE(QFile::exists(stem + ".kdpbin"));

    // The longest paths that fit still compile.
    const QString output = stem + ".bin";
    ASSERT_EQ(output.size(), 259);
    run = RunProgram("kdx", {"compile", project, output});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
}

TEST(KdxFilesHostile, DumpConvertAndRenderReadOnlyRegularFiles)
{
    QTemporaryDir dir;
    const QString fifo = MakeFifo(dir, "fifo.kdp");
    for (const QString& source : {fifo, QStringLiteral("/dev/zero"), dir.path()}) {
        ProgramRun dump = RunProgram("kdx", {"dump", source}, 10000);
        ASSERT_TRUE(dump.finished) << source.toStdString();
        EXPECT_EQ(dump.exitCode, 1);
        EXPECT_TRUE(dump.err.contains("not a regular file")) << dump.err.toStdString();

        ProgramRun convert = RunProgram("kdx", {"convert", source, dir.filePath("out.kdp")}, 10000);
        ASSERT_TRUE(convert.finished) << source.toStdString();
        EXPECT_EQ(convert.exitCode, 1);
        EXPECT_TRUE(convert.err.contains("not a regular file")) << convert.err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("out.kdp")));

        ProgramRun render = RunProgram("kdx", {"render", source, dir.filePath("out.png")}, 10000);
        ASSERT_TRUE(render.finished) << source.toStdString();
        EXPECT_EQ(render.exitCode, 1);
        EXPECT_TRUE(render.err.contains(QString::fromUtf8("不是普通文件"))) << render.err.toStdString();
    }
}

TEST(KdxFilesHostile, NamesThatAreNotUtf8WorkInEveryCommand)
{
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString() + "/";
    // Names as an archive made with another code page leaves them.
    const std::string project = folder + "\xB9\xA4\xB3\xCC.kdp", text = folder + "\xFF.kdpj";
    const std::string compiled = folder + "\xFE\xFD.kdpbin", picture = folder + "\xFC.png";
    kdx::testing::WriteBytes(project, SmallProject());
    const std::vector<std::vector<std::string>> commands = {
        {"compile", project, compiled}, {"convert", project, text}, {"diff", project, text},
        {"dump", text},                 {"dump", compiled},         {"render", compiled, "--page", "0", picture},
    };
    for (const std::vector<std::string>& args : commands)
        EXPECT_EQ(RunWithRawArguments(args, folder + "log"), 0) << args[0] << ": " << ReadText(folder + "log");
    std::ifstream in(compiled, std::ios::binary);
    EXPECT_EQ(CheckCompiledFile(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {})), CompiledCheck::Ok);
    struct stat st {};
    EXPECT_EQ(stat(picture.c_str(), &st), 0);
}

TEST(KdxFilesHostile, UploadRefusesWhatTheDialogRefuses)
{
    QTemporaryDir dir;
    const QString fifo = MakeFifo(dir, "fifo.kdpbin");
    for (const QString& source : {fifo, QStringLiteral("/dev/zero")}) {
        ProgramRun run = RunProgram("kdx", {"upload", "--port", "/dev/null", source}, 10000);
        ASSERT_TRUE(run.finished) << source.toStdString();
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8("请提供一个有效的工程文件"))) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains(QString::fromUtf8("正在加载文件")));
    }
}

TEST(ProgramInfo, EveryProgramAnswersHelpAndVersionOnTheConsole)
{
    for (const char* program : {"KDX_TE", "KDX_TC", "KDX_TU", "KDX_VT", "KDX_TS", "kdx"}) {
        ProgramRun help = RunProgram(program, {"--help"}, 10000);
        ASSERT_TRUE(help.finished) << program << " --help did not end";
        EXPECT_EQ(help.exitCode, 0) << program;
        EXPECT_TRUE(help.out.startsWith("usage:")) << program << ": " << help.out.toStdString();

        ProgramRun version = RunProgram(program, {"--version"}, 10000);
        ASSERT_TRUE(version.finished) << program << " --version did not end";
        EXPECT_EQ(version.exitCode, 0) << program;
        EXPECT_EQ(version.out, QString("%1 1.0\n").arg(program)) << program;
    }
}

TEST(ProgramInfo, EveryKdxCommandAnswersHelpWithoutActing)
{
    // "kdx dump --help" once tried to open a file named --help.
    for (const char* command : {"check", "compile", "convert", "diff", "dump", "render", "simulate", "upload"}) {
        const ProgramRun help = RunProgram("kdx", {command, "--help"}, 10000);
        ASSERT_TRUE(help.finished) << command;
        EXPECT_EQ(help.exitCode, 0) << command << ": " << help.err.toStdString();
        EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: kdx %1 ").arg(command))) << help.out.toStdString();
        EXPECT_TRUE(help.err.isEmpty()) << command << ": " << help.err.toStdString();
    }
    // An option that merely looks like help among other arguments stays an error.
    EXPECT_EQ(RunProgram("kdx", {"dump", "--help", "extra"}, 10000).exitCode, 2);
}
