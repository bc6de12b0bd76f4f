// kdx check: what will go wrong or look wrong on the panel, one finding a
// line (or JSON), without writing anything.
#include "check/ProjectCheck.h"
#include "cli/Command.h"
#include "cli/ProjectInput.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <cstring>

namespace kdx::cli {
namespace {

constexpr const char* kUsage = "check [--json] [--disable RULE]... [--memory BYTES] PROJECT.kdp|PROJECT.kdpj";

struct CheckArgs {
    bool json = false;
    std::string project;
    check::CheckOptions options;
};

void PrintHelp()
{
    std::printf("usage: kdx %s\n\n"
                "检查工程（只读不写）：每行一个问题，格式为\n"
                "  FILE:page N \"name\":object ID: error|warning: text\n\n"
                "  --json            以 JSON 输出\n"
                "  --disable RULE    关闭一条规则（可多次给出，或用逗号分隔）；工程目录中的 .kdpcheck 也可关闭规则\n"
                "  --memory BYTES    终端内存的字节数：编译后的内存影像不能超过它\n"
                "  --help            显示本帮助\n\n"
                "退出码：0 没有错误，1 有错误，2 无法读取工程或参数不正确。\n\n规则：\n",
                kUsage);
    for (const check::RuleInfo& rule : check::Rules())
        std::printf("  %-18s %-7s %s\n", rule.id, rule.level == check::Level::Error ? "error" : "warning",
                    QString::fromUtf16(rule.description).toUtf8().constData());
}

int Fail(const QString& text)
{
    PrintCommandError("check", text);
    return 2;
}

// 0 when the arguments are good, the exit code otherwise (-1 after --help).
int ParseArgs(const std::vector<std::string>& args, CheckArgs& out)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return -1;
        } else if (arg == "--json") {
            out.json = true;
        } else if (arg == "--disable" && hasValue) {
            for (const QString& rule : QString::fromStdString(args[++i]).split(u',', Qt::SkipEmptyParts)) {
                if (!check::IsKnownRule(rule.toStdString()))
                    return Fail(QStringLiteral("没有名为“%1”的规则（kdx check --help 列出所有规则）").arg(rule));
                out.options.disabled.insert(rule.toStdString());
            }
        } else if (arg == "--memory" && hasValue) {
            bool ok = false;
            const qulonglong bytes = QString::fromStdString(args[++i]).toULongLong(&ok);
            if (!ok || bytes == 0)
                return Fail(QStringLiteral("--memory 需要一个正整数（字节数），而不是“%1”").arg(QString::fromStdString(args[i])));
            out.options.memoryBytes = bytes;
        } else if (!arg.empty() && arg[0] != '-' && out.project.empty()) {
            out.project = arg;
        } else {
            std::fprintf(stderr, "usage: kdx %s\n", kUsage);
            return 2;
        }
    }
    if (out.project.empty()) {
        std::fprintf(stderr, "usage: kdx %s\n", kUsage);
        return 2;
    }
    return 0;
}

QJsonObject FindingJson(const check::Finding& f)
{
    QJsonObject o;
    o[QStringLiteral("rule")] = QString::fromStdString(f.rule);
    o[QStringLiteral("level")] = f.level == check::Level::Error ? QStringLiteral("error") : QStringLiteral("warning");
    o[QStringLiteral("page")] = f.pageId ? QJsonValue(qint64(*f.pageId)) : QJsonValue();
    o[QStringLiteral("pageName")] = f.pageId ? QJsonValue(QString::fromStdU16String(f.pageName)) : QJsonValue();
    o[QStringLiteral("object")] = f.objectId ? QJsonValue(qint64(*f.objectId)) : QJsonValue();
    o[QStringLiteral("text")] = f.text;
    return o;
}

int RunCheck(const std::vector<std::string>& args)
{
    CheckArgs parsed;
    if (const int code = ParseArgs(args, parsed))
        return code < 0 ? 0 : code;
    const QString file = QString::fromLocal8Bit(parsed.project.c_str());
    ProjectRecord project;
    if (!LoadProject("check", parsed.project, project))
        return 2;
    QString error;
    if (!check::ReadProjectCheckSettings(file, parsed.options.disabled, &error))
        return Fail(error);
    parsed.options.projectFolder = QFileInfo(file).absolutePath();
    parsed.options.projectPath = parsed.project;

    const std::vector<check::Finding> findings = check::CheckProject(project, parsed.options);
    int errors = 0;
    for (const check::Finding& f : findings)
        errors += f.level == check::Level::Error;
    const int warnings = int(findings.size()) - errors;
    if (parsed.json) {
        QJsonArray list;
        for (const check::Finding& f : findings)
            list.append(FindingJson(f));
        QJsonObject root;
        root[QStringLiteral("project")] = file;
        root[QStringLiteral("errors")] = errors;
        root[QStringLiteral("warnings")] = warnings;
        root[QStringLiteral("findings")] = list;
        const QByteArray text = QJsonDocument(root).toJson(QJsonDocument::Indented);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    } else {
        for (const check::Finding& f : findings)
            std::printf("%s\n", check::FormatFinding(file, f).toUtf8().constData());
        // The findings first, so that a terminal or a log that gets both
        // streams shows the summary after them.
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", QStringLiteral("%1：%2个错误，%3个警告").arg(file).arg(errors).arg(warnings).toUtf8().constData());
    }
    std::fflush(stdout);
    return errors ? 1 : 0;
}

Registrar reg(Command{"check", kUsage, RunCheck, 1, true});

} // namespace
} // namespace kdx::cli
