#include "check/ProjectCheck.h"

#include "check/CheckContext.h"
#include "common/LocateMarker.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>

#include <algorithm>

namespace kdx::check {

bool IsKnownRule(const std::string& id)
{
    for (const RuleInfo& rule : Rules())
        if (id == rule.id)
            return true;
    return false;
}

std::vector<Finding> CheckProject(const ProjectRecord& project, const CheckOptions& options)
{
    Context context(project, options);
    std::vector<Finding> findings;
    RunRules(context, findings);
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return std::pair(a.pageIndex, a.objectIndex) < std::pair(b.pageIndex, b.objectIndex);
    });
    return findings;
}

namespace {

QString LevelName(Level level) { return level == Level::Error ? QStringLiteral("error") : QStringLiteral("warning"); }

QString QuotedName(const std::u16string& name)
{
    QString text = QString::fromStdU16String(name);
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString TextWithRule(const Finding& finding)
{
    return finding.text + QStringLiteral(" [%1]").arg(QString::fromStdString(finding.rule));
}

} // namespace

QString FormatFinding(const QString& file, const Finding& finding)
{
    QString line = file;
    if (finding.pageId)
        line += QStringLiteral(":page %1 %2").arg(*finding.pageId).arg(QuotedName(finding.pageName));
    if (finding.objectId)
        line += QStringLiteral(":object %1").arg(*finding.objectId);
    return line + QStringLiteral(": %1: %2").arg(LevelName(finding.level), TextWithRule(finding));
}

QString FindingAsCompilerMessage(const Finding& finding)
{
    const std::u16string text = TextWithRule(finding).toStdU16String();
    const LocateLevel level = finding.level == Level::Error ? LocateLevel::Error : LocateLevel::Warning;
    if (finding.objectId)
        return QString::fromStdU16String(LocateMessage(level, LocateTarget::Object, *finding.objectId, text));
    if (finding.pageId)
        return QString::fromStdU16String(
            LocateMessage(level, LocateTarget::Page, *finding.pageId, u"“" + finding.pageName + u"”" + text));
    return QChar(char16_t(level)) + QString::fromStdU16String(text) + QStringLiteral("\r\n");
}

bool ParseCheckSettings(const QByteArray& text, std::set<std::string>& disabled, QString* error)
{
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        const qsizetype hash = line.indexOf('#');
        if (hash >= 0)
            line.truncate(hash);
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() == 1 && words[0].isEmpty())
            continue;
        const bool withVerb = words[0] == "disable";
        if (words.size() != (withVerb ? 2 : 1)) {
            *error = QStringLiteral("%1:%2: 每行只能写一个规则名（可写在“disable”之后）")
                         .arg(i + 1).arg(line.indexOf(words[withVerb ? 2 : 1]) + 1);
            return false;
        }
        const std::string rule = words.back().toStdString();
        if (!IsKnownRule(rule)) {
            *error = QStringLiteral("%1:%2: 没有名为“%3”的规则")
                         .arg(i + 1).arg(line.indexOf(words.back()) + 1).arg(QString::fromStdString(rule));
            return false;
        }
        disabled.insert(rule);
    }
    return true;
}

bool ReadProjectCheckSettings(const QString& projectPath, std::set<std::string>& disabled, QString* error)
{
    constexpr qint64 kMaxSettingsBytes = 1 << 20;
    const QString path = QFileInfo(projectPath).absoluteDir().filePath(QStringLiteral(".kdpcheck"));
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSettingsBytes) {
        *error = path + QStringLiteral(": 无法读取");
        return false;
    }
    QString reason;
    if (!ParseCheckSettings(file.readAll(), disabled, &reason)) {
        *error = path + QLatin1Char(':') + reason;
        return false;
    }
    return true;
}

} // namespace kdx::check
