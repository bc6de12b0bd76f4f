// Every kdx command that writes replaces only a regular file or creates a new
// one, never its own input, and reports a write that failed.
#include "common/FileHeader.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/SampleFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

const QString kExample = QStringLiteral(KDX_SOURCE_DIR "/examples/demo/demo.kdp");

class KdxOutputs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QFile::copy(kExample, Path("demo.kdp")));
        // Pictures of the example are found beside the project.
        for (const QString& name : QDir(QFileInfo(kExample).absolutePath()).entryList({"*.png", "*.bmp"}))
            QFile::copy(QFileInfo(kExample).absolutePath() + '/' + name, Path(name));
    }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    std::string Local(const QString& name) const { return QFile::encodeName(Path(name)).toStdString(); }
    void MakeNode(const QString& name, unsigned minor) const
    {
        ASSERT_EQ(mknod(Local(name).c_str(), S_IFCHR | 0666, makedev(1, minor)), 0);
    }
    void MakeFifo(const QString& name) const { ASSERT_EQ(mkfifo(Local(name).c_str(), 0600), 0); }
    bool IsCharDevice(const QString& name) const
    {
        struct stat st {};
        return lstat(Local(name).c_str(), &st) == 0 && S_ISCHR(st.st_mode);
    }
    // Only the given names are in the folder (no temporary file was left).
    QStringList Names() const { return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System); }
    QString Compiled()
    {
        const ProgramRun run = RunProgram("kdx", {"compile", Path("demo.kdp"), Path("demo.kdpbin")});
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
        return Path("demo.kdpbin");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(KdxOutputs, DevicesFifosAndTheirLinksAreNeverReplaced)
{
    const QString compiled = Compiled();
    MakeNode("null.kdp", 3);
    MakeFifo("fifo.kdp");
    ASSERT_TRUE(QFile::link(Path("null.kdp"), Path("link-to-null.kdp")));
    const QStringList before = Names();
    for (const QString& out : {Path("null.kdp"), Path("fifo.kdp"), Path("link-to-null.kdp")}) {
        ProgramRun run = RunProgram("kdx", {"compile", Path("demo.kdp"), out}, 20000);
        ASSERT_TRUE(run.finished) << out.toStdString();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.contains(QString::fromUtf8("不是普通文件，不能写入"))) << run.out.toStdString();

        run = RunProgram("kdx", {"convert", Path("demo.kdp"), out}, 20000);
        ASSERT_TRUE(run.finished) << out.toStdString();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8("不是普通文件，不能写入"))) << run.err.toStdString();

        // A PNG to a FIFO with no reader must not hang either.
        run = RunProgram("kdx", {"render", compiled, "--page", "0", out}, 20000);
        ASSERT_TRUE(run.finished) << out.toStdString();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QString::fromUtf8("不是普通文件，不能写入"))) << run.err.toStdString();
    }
    EXPECT_TRUE(IsCharDevice("null.kdp"));
    EXPECT_TRUE(QFileInfo(Path("link-to-null.kdp")).isSymLink());
    EXPECT_EQ(Names(), before);
}

TEST_F(KdxOutputs, ALinkToARegularFileIsWrittenThrough)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("real"));
    ASSERT_TRUE(QFile::link(Path("real/out.kdpbin"), Path("link.kdpbin")));
    const ProgramRun run = RunProgram("kdx", {"compile", Path("demo.kdp"), Path("link.kdpbin")});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(QFileInfo(Path("link.kdpbin")).isSymLink());
    EXPECT_EQ(CheckCompiledFile(ReadFileBytes(Local("real/out.kdpbin"))), CompiledCheck::Ok);

    ASSERT_TRUE(QFile::link(Path("real/p.kdpj"), Path("link.kdpj")));
    ASSERT_EQ(RunProgram("kdx", {"convert", Path("demo.kdp"), Path("link.kdpj")}).exitCode, 0);
    ASSERT_EQ(RunProgram("kdx", {"convert", Path("link.kdpj"), Path("back.kdp")}).exitCode, 0);
    EXPECT_TRUE(QFileInfo(Path("link.kdpj")).isSymLink());
    EXPECT_EQ(ReadFileBytes(Local("back.kdp")), ReadFileBytes(Local("demo.kdp")));
}

TEST_F(KdxOutputs, TheInputIsNeverItsOwnOutput)
{
    const QString compiled = Compiled();
    const std::vector<uint8_t> project = ReadFileBytes(Local("demo.kdp"));
    const std::vector<uint8_t> image = ReadFileBytes(Local("demo.kdpbin"));
    ASSERT_EQ(link(Local("demo.kdp").c_str(), Local("hard.kdp").c_str()), 0);

    ProgramRun run = RunProgram("kdx", {"compile", Path("demo.kdp"), Path("demo.kdp")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(QString::fromUtf8("与输入文件是同一个文件"))) << run.out.toStdString();
    run = RunProgram("kdx", {"compile", Path("demo.kdp"), Path("hard.kdp")});
    EXPECT_EQ(run.exitCode, 1);
    run = RunProgram("kdx", {"convert", Path("demo.kdp"), m_dir.path() + "/./hard.kdp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QString::fromUtf8("与输入文件是同一个文件"))) << run.err.toStdString();
    run = RunProgram("kdx", {"render", compiled, "--page", "0", compiled});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadFileBytes(Local("demo.kdp")), project);
    EXPECT_EQ(ReadFileBytes(Local("demo.kdpbin")), image);
}

TEST_F(KdxOutputs, RenderingEveryPageReplacesNumberedFilesOnlyWhenForced)
{
    const QString compiled = Compiled();
    WriteFileBytes(Local("page-2.png"), {'k', 'e', 'e', 'p'});
    ProgramRun run = RunProgram("kdx", {"render", compiled, Path("page.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("page-2.png") && run.err.contains("--force")) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("page-0.png"))); // checked before the first page is written
    EXPECT_EQ(ReadFileBytes(Local("page-2.png")), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));

    run = RunProgram("kdx", {"render", compiled, "--force", Path("page.png")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(ReadFileBytes(Local("page-2.png")).size() > 100);
    EXPECT_TRUE(QFile::exists(Path("page-3.png")));
}

TEST_F(KdxOutputs, AWriteThatFailsIsAFailure)
{
    const QString compiled = Compiled();
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    // Each output is larger than the limit (the compile channel is not), so
    // its write fails with EFBIG.
    struct Case {
        QStringList args;
        QString output;
        quint64 limit;
    };
    const Case cases[] = {
        {{"compile", Path("demo.kdp"), Path("out.kdpbin")}, "out.kdpbin", 100000},
        {{"convert", Path("demo.kdp"), Path("out.kdp")}, "out.kdp", 64},
        {{"convert", Path("demo.kdp"), Path("out.kdpj")}, "out.kdpj", 64},
        {{"render", compiled, "--page", "1", Path("out.png")}, "out.png", 64},
    };
    for (const Case& c : cases) {
        WriteFileBytes(Local(c.output), old);
        const QStringList before = Names();
        RunLimits limits;
        limits.fileSize = c.limit;
        const ProgramRun run = RunProgram("kdx", c.args, limits);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << c.output.toStdString();
        EXPECT_TRUE((run.out + run.err).contains(QString::fromLocal8Bit(strerror(EFBIG))))
            << c.output.toStdString() << run.out.toStdString() << run.err.toStdString();
        EXPECT_EQ(ReadFileBytes(Local(c.output)), old) << c.output.toStdString();
        EXPECT_EQ(Names(), before) << c.output.toStdString();
    }

    // A listing to a full device: the write fails, so must the command.
    MakeNode("full", 7);
    RunLimits toFull;
    toFull.standardOutputFile = Path("full");
    for (const QString& file : {Path("demo.kdp"), compiled}) {
        const ProgramRun run = RunProgram("kdx", {"dump", file}, toFull);
        EXPECT_EQ(run.exitCode, 1) << file.toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
    // kdx diff's 1 means "they differ": a listing that was lost is its 2.
    ASSERT_EQ(RunProgram("kdx", {"convert", Path("demo.kdp"), Path("demo.kdpj")}).exitCode, 0);
    QFile text(Path("demo.kdpj"));
    ASSERT_TRUE(text.open(QIODevice::ReadWrite));
    QByteArray changed = text.readAll().replace("\"id\": 1,", "\"id\": 99,");
    text.resize(0);
    text.write(changed);
    text.close();
    EXPECT_EQ(RunProgram("kdx", {"diff", Path("demo.kdp"), Path("demo.kdpj")}).exitCode, 1);
    EXPECT_EQ(RunProgram("kdx", {"diff", Path("demo.kdp"), Path("demo.kdpj")}, toFull).exitCode, 2);
}
