// kdx on inputs that are empty, rewritten while read or large, and within a
// limited address space.
#include "tests/support/ProgramRun.h"
#include "tests/support/SampleFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace kdx::test;

namespace {

const QString kExampleDir = QStringLiteral(KDX_SOURCE_DIR "/examples/demo");
constexpr quint64 kOneGiB = quint64(1) << 30;

class KdxInputs : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    std::string Local(const QString& name) const { return QFile::encodeName(Path(name)).toStdString(); }
    QTemporaryDir m_dir;
};

// Rewrites a file in place (truncated, then written in two halves) until
// stopped, as an editor saving without a temporary file does.
class InPlaceRewriter {
public:
    InPlaceRewriter(std::string path, std::vector<uint8_t> bytes)
        : m_path(std::move(path)), m_bytes(std::move(bytes)), m_thread([this] { Run(); })
    {
    }
    ~InPlaceRewriter()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    void Run()
    {
        const size_t half = m_bytes.size() / 2;
        while (!m_stop) {
            const int fd = open(m_path.c_str(), O_WRONLY | O_TRUNC);
            if (fd < 0)
                return;
            bool ok = write(fd, m_bytes.data(), half) == ssize_t(half);
            std::this_thread::yield();
            ok = ok && write(fd, m_bytes.data() + half, m_bytes.size() - half) == ssize_t(m_bytes.size() - half);
            close(fd);
            if (!ok)
                return;
        }
    }
    std::string m_path;
    std::vector<uint8_t> m_bytes;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

TEST_F(KdxInputs, AnEmptyFileIsNoProject)
{
    for (const QString& name : {QStringLiteral("empty.kdp"), QStringLiteral("empty.kdpj")}) {
        WriteFileBytes(Local(name), {});
        ProgramRun run = RunProgram("kdx", {"convert", Path(name), Path("out.kdpj")});
        EXPECT_EQ(run.exitCode, 1) << name.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf16(u"不是KDX触屏工程文件"))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(Path("out.kdpj")));
        EXPECT_EQ(RunProgram("kdx", {"diff", Path(name), Path(name)}).exitCode, 2);
        EXPECT_EQ(RunProgram("kdx", {"dump", Path(name)}).exitCode, 1);
    }
}

TEST_F(KdxInputs, AProjectRewrittenWhileReadIsReadWholeOrRefused)
{
    const std::vector<uint8_t> project = ReadFileBytes((kExampleDir + "/demo.kdp").toStdString());
    for (const QString& form : {QStringLiteral("p.kdp"), QStringLiteral("p.kdpj")}) {
        ASSERT_EQ(RunProgram("kdx", {"convert", kExampleDir + "/demo.kdp", Path(form)}).exitCode, 0);
        const InPlaceRewriter rewriter(Local(form), ReadFileBytes(Local(form)));
        for (int i = 0; i < 25; ++i) {
            std::remove(Local("out.kdp").c_str());
            const ProgramRun run = RunProgram("kdx", {"convert", Path(form), Path("out.kdp")});
            if (run.exitCode == 0) {
                EXPECT_EQ(ReadFileBytes(Local("out.kdp")), project) << form.toStdString();
            } else {
                EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
                EXPECT_FALSE(QFile::exists(Path("out.kdp")));
            }
            EXPECT_NE(RunProgram("kdx", {"diff", Path(form), kExampleDir + "/demo.kdp"}).exitCode, 1);
        }
    }
}

TEST_F(KdxInputs, EveryCommandOnTheExampleRunsInOneGiB)
{
    for (const QString& name : QDir(kExampleDir).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(kExampleDir + '/' + name, Path(name)));
    RunLimits limits;
    limits.addressSpace = kOneGiB;
    const QList<QStringList> commands = {
        {"compile", Path("demo.kdp"), Path("demo.kdpbin")},
        {"convert", Path("demo.kdp"), Path("demo.kdpj")},
        {"convert", Path("demo.kdpj"), Path("back.kdp")},
        {"diff", Path("demo.kdp"), Path("demo.kdpj")},
        {"dump", Path("demo.kdp")},
        {"dump", Path("demo.kdpj")},
        {"dump", Path("demo.kdpbin")},
        {"render", Path("demo.kdpbin"), Path("page.png")},
    };
    for (const QStringList& args : commands) {
        const ProgramRun run = RunProgram("kdx", args, limits);
        EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << "\n" << run.err.toStdString();
    }
    EXPECT_EQ(ReadFileBytes(Local("back.kdp")), ReadFileBytes(Local("demo.kdp")));
}

TEST_F(KdxInputs, RunningOutOfMemoryIsOneErrorLine)
{
    // A text project of some thousand pages: read, it needs more than the
    // limit below; the program itself starts well within it.
    ASSERT_EQ(RunProgram("kdx", {"convert", kExampleDir + "/demo.kdp", Path("demo.kdpj")}).exitCode, 0);
    QFile small(Path("demo.kdpj"));
    ASSERT_TRUE(small.open(QIODevice::ReadOnly));
    const QByteArray text = small.readAll();
    const qsizetype open = text.indexOf("\"pages\": [") + 10, close = text.lastIndexOf(']');
    const QByteArray pages = text.mid(open, close - open).trimmed();
    QByteArray big = text.left(open);
    for (int i = 0; i < 2500; ++i)
        big += (i ? ",\n" : "\n") + pages;
    big += text.mid(close);
    QFile out(Path("big.kdpj"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(big);
    out.close();

    RunLimits limits;
    limits.addressSpace = 160ull << 20;
    ASSERT_EQ(RunProgram("kdx", {"--version"}, limits).exitCode, 0);
    ProgramRun run = RunProgram("kdx", {"convert", Path("big.kdpj"), Path("big.kdp")}, limits);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(Path("big.kdp")));
    run = RunProgram("kdx", {"diff", Path("big.kdpj"), Path("big.kdpj")}, limits);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();

    // Within a gigabyte the same file is read: the reader's memory is a
    // small multiple of the file's size.
    limits.addressSpace = kOneGiB;
    run = RunProgram("kdx", {"convert", Path("big.kdpj"), Path("big.kdp")}, limits);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}
