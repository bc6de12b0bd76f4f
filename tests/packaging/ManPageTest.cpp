// Each program's manual page names exactly the options its --help names,
// and kdx's page has a section for exactly the sub-commands kdx offers.
#include "tests/support/ProgramRun.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <set>

using namespace kdx::test;

namespace {

std::set<QString> Matches(const QString& text, const QString& pattern)
{
    std::set<QString> found;
    for (const QRegularExpressionMatch& m : QRegularExpression(pattern).globalMatch(text))
        found.insert(m.captured(1));
    return found;
}

QString ManPage(const QString& program)
{
    QFile file(QStringLiteral(KDX_SOURCE_DIR "/doc/man/%1.1").arg(program));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << program.toStdString();
    return QString::fromUtf8(file.readAll());
}

QString Help(const QStringList& args, const QString& program)
{
    const ProgramRun run = RunProgram(program, args);
    EXPECT_EQ(run.exitCode, 0) << program.toStdString() << " " << args.join(' ').toStdString();
    return run.out;
}

std::string Join(const std::set<QString>& names) { return QStringList(names.begin(), names.end()).join(' ').toStdString(); }

// Options in --help must be in the page; options in the page must be in
// --help, but for --help and --version, which every program answers.
void ExpectSameOptions(const QString& program, const QString& help)
{
    const QString page = ManPage(program);
    const std::set<QString> inHelp = Matches(help, QStringLiteral("(?<![\\w-])--([a-z][a-z0-9-]*)"));
    std::set<QString> inPage = Matches(page, QStringLiteral("\\\\-\\\\-([a-z][a-z0-9\\\\-]*)"));
    std::set<QString> cleaned;
    for (QString name : inPage)
        cleaned.insert(name.remove(QStringLiteral("\\")));
    std::set<QString> missing, stale;
    for (const QString& name : inHelp)
        if (!cleaned.count(name))
            missing.insert(name);
    for (const QString& name : cleaned)
        if (!inHelp.count(name) && name != "help" && name != "version")
            stale.insert(name);
    EXPECT_TRUE(missing.empty()) << program.toStdString() << ".1 lacks: " << Join(missing);
    EXPECT_TRUE(stale.empty()) << program.toStdString() << ".1 names options --help does not: " << Join(stale);
    EXPECT_TRUE(cleaned.count("help") && cleaned.count("version")) << program.toStdString();
}

} // namespace

TEST(ManPages, ProgramsNameTheOptionsOfTheirHelp)
{
    for (const QString program : {"KDX_TE", "KDX_TC", "KDX_TU", "KDX_TS", "KDX_VT"})
        ExpectSameOptions(program, Help({"--help"}, program));
}

TEST(ManPages, KdxHasEverySubCommandWithItsOptions)
{
    const QString help = Help({"--help"}, "kdx");
    const std::set<QString> commands = Matches(help, QStringLiteral("\\n  kdx ([a-z]+)"));
    ASSERT_GE(commands.size(), 8u) << help.toStdString();
    QString all = help;
    for (const QString& command : commands)
        all += Help({command, "--help"}, "kdx");
    ExpectSameOptions("kdx", all);
    const std::set<QString> sections = Matches(ManPage("kdx"), QStringLiteral("\\.SS \"kdx ([a-z]+)\""));
    EXPECT_EQ(sections, commands) << "sections: " << Join(sections) << "; commands: " << Join(commands);
}
