// kdx simulate: runs a compiled project headless under a test script, with
// the terminal's own touch, condition and page rules, in virtual time.
#include "cli/Command.h"
#include "cli/OffscreenGui.h"
#include "cli/ProjectInput.h"
#include "render/ScriptRunner.h"
#include "render/TerminalImage.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>

namespace kdx::cli {
namespace {

constexpr const char* kUsage = "simulate [--junit FILE.xml] FILE.kdpbin SCRIPT";

void PrintHelp()
{
    std::printf("usage: kdx %s\n\n"
                "在虚拟时间中运行编译文件和测试脚本（不真正等待），所有期望都满足时退出码为0。\n\n"
                "  --junit FILE.xml  另外写出 JUnit 格式的报告，供持续集成系统显示\n"
                "  --help            显示本帮助\n\n"
                "脚本每行一个命令，# 之后为注释：\n"
                "  touch X Y [HOLD_MS]                     按下、按住（默认0毫秒）、松开\n"
                "  press X Y | release                     按下 | 松开\n"
                "  wait MS                                 经过的虚拟毫秒数\n"
                "  expect page ID                          显示的页面标识\n"
                "  expect sent [load|unload|touch] HEX...  下一个发送的数据块\n"
                "  expect nothing-sent                     没有尚未检查的发送\n"
                "  shot FILE.png                           当前屏幕的截图\n"
                "  goto ID                                 像页面列表一样显示页面\n\n"
                "退出码：0 全部通过，1 有期望未满足，2 无法读取文件或脚本有错。\n",
                kUsage);
}

struct SimulateArgs {
    QString image, script, junit;
};

// 0 when the arguments are good, the exit code otherwise (-1 after --help).
int ParseArgs(const std::vector<std::string>& args, SimulateArgs& out)
{
    std::vector<QString> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            PrintHelp();
            return -1;
        }
        if (args[i] == "--junit" && i + 1 < args.size())
            out.junit = QString::fromLocal8Bit(args[++i].c_str());
        else if (!args[i].empty() && args[i][0] != '-')
            files.push_back(QString::fromLocal8Bit(args[i].c_str()));
        else
            files.clear(), files.resize(3);
    }
    if (files.size() != 2) {
        std::fprintf(stderr, "usage: kdx %s\n", kUsage);
        return 2;
    }
    out.image = files[0];
    out.script = files[1];
    return 0;
}

bool ReadScript(const QString& path, render::Script& script)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        PrintCommandError("simulate", path + QStringLiteral(": 无法读取脚本"));
        return false;
    }
    const QByteArray text = file.read(render::kMaxScriptBytes + 1);
    if (const auto error = render::ParseScript(text, script)) {
        PrintCommandError("simulate", QStringLiteral("%1:%2:%3: %4").arg(path).arg(error->line).arg(error->column).arg(error->message));
        return false;
    }
    return true;
}

void PrintFailures(const QString& scriptPath, const render::Script& script, const render::ScriptRunner& runner)
{
    for (const render::ScriptOutcome& o : runner.Outcomes())
        if (!o.passed)
            std::printf("%s\n", render::DescribeFailure(scriptPath, script, o).toUtf8().constData());
}

QByteArray JUnitReport(const QString& scriptPath, const render::Script& script, const render::ScriptRunner& runner)
{
    QByteArray report;
    const QString suite = QFileInfo(scriptPath).fileName();
    QXmlStreamWriter xml(&report);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), suite);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(runner.Outcomes().size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(runner.FailureCount()));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    for (const render::ScriptOutcome& o : runner.Outcomes()) {
        const render::ScriptCommand& c = script.commands[o.command];
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), suite);
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("%1: %2").arg(c.line).arg(c.text));
        xml.writeAttribute(QStringLiteral("file"), scriptPath);
        xml.writeAttribute(QStringLiteral("line"), QString::number(c.line));
        if (!o.passed) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), QStringLiteral("期望：%1；实际：%2").arg(o.expected, o.actual));
            xml.writeCharacters(render::DescribeFailure(scriptPath, script, o) + QLatin1Char('\n'));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return report;
}

int RunSimulate(const std::vector<std::string>& args)
{
    SimulateArgs parsed;
    if (const int code = ParseArgs(args, parsed))
        return code < 0 ? 0 : code;
    QString error;
    const auto image = render::TerminalImage::LoadFile(parsed.image, &error);
    if (!image) {
        PrintCommandError("simulate", parsed.image + QStringLiteral(": ") + error);
        return 2;
    }
    render::Script script;
    if (!ReadScript(parsed.script, script))
        return 2;

    std::unique_ptr<QGuiApplication> gui;
    if (std::any_of(script.commands.begin(), script.commands.end(),
                    [](const render::ScriptCommand& c) { return c.op == render::ScriptOp::Shot; }))
        gui = MakeOffscreenGui();
    render::ScriptRunner runner(script);
    runner.RunHeadless(image);

    PrintFailures(parsed.script, script, runner);
    std::printf("%s\n", render::DescribeSummary(parsed.script, runner).toUtf8().constData());
    std::fflush(stdout);
    if (!parsed.junit.isEmpty()) {
        const QByteArray report = JUnitReport(parsed.script, script, runner);
        const std::string inputs[] = {QFile::encodeName(parsed.image).toStdString(), QFile::encodeName(parsed.script).toStdString()};
        if (!WriteOutput("simulate", QFile::encodeName(parsed.junit).toStdString(), inputs,
                         std::span(reinterpret_cast<const uint8_t*>(report.constData()), size_t(report.size()))))
            return 2;
    }
    return runner.FailureCount() ? 1 : 0;
}

Registrar reg(Command{"simulate", kUsage, RunSimulate, 1, true});

} // namespace
} // namespace kdx::cli
