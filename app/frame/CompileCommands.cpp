#include "app/frame/CompileCommands.h"

#include "app/frame/CommandRegistry.h"
#include "app/frame/Commands.h"
#include "app/frame/DocumentManager.h"
#include "app/frame/EditorSettings.h"
#include "app/frame/Launcher.h"
#include "app/panes/CPaneOutput.h"
#include "check/ProjectCheck.h"
#include "common/EditorSettingsKeys.h"
#include "model/PageDoc.h"
#include "model/ProjectRecord.h"

#include <QDir>
#include <QFileInfo>

namespace kdx {
namespace {

// The output each project was last compiled to, by project path.
constexpr char kCompileOutputsKey[] = "CompileOutputs";
constexpr qsizetype kMaxRememberedOutputs = 100;

} // namespace

CCompileCommands::CCompileCommands(CDocumentManager& documents, QWidget* window, Hooks hooks)
    : m_documents(documents), m_window(window), m_hooks(std::move(hooks))
{
    m_checkBeforeCompile = EditorSettings()->value(QLatin1String(kCheckBeforeCompileKey), true).toBool();
}

void CCompileCommands::Register(CCommandRegistry& commands, std::function<bool()> canCompile)
{
    const auto always = [] { return true; };
    commands.Add(ID_PROJECT_COMPILE, [this] { Compile(true); }, canCompile);
    commands.Add(ID_PROJECT_RECOMPILE, [this] { Compile(false); }, canCompile);
    commands.Add(ID_PROJECT_CHECK, [this] { Check(); }, canCompile);
    commands.Add(ID_PROJECT_CHECK_BEFORE_COMPILE, [this] {
        m_checkBeforeCompile = !m_checkBeforeCompile;
        EditorSettings()->setValue(QLatin1String(kCheckBeforeCompileKey), m_checkBeforeCompile);
    }, always, [this] { return m_checkBeforeCompile; });
    commands.Add(ID_PROJECT_UPLOAD, [this] { LaunchUploader(m_window, LastCompiledFile()); }, always);
    commands.Add(ID_PROJECT_SIMULATE, [this] { LaunchSimulator(m_window, LastCompiledFile()); }, always);
}

QString CCompileCommands::LastCompileOutput() const
{
    const QString& project = m_documents.PathName();
    if (project.isEmpty())
        return {};
    return EditorSettings()->value(QLatin1String(kCompileOutputsKey)).toMap().value(project).toString();
}

void CCompileCommands::RememberCompileOutput(const QString& output)
{
    auto settings = EditorSettings();
    QVariantMap outputs = settings->value(QLatin1String(kCompileOutputsKey)).toMap();
    outputs.insert(m_documents.PathName(), output);
    // Projects that no longer exist make room first.
    for (auto it = outputs.begin(); it != outputs.end() && outputs.size() > kMaxRememberedOutputs;)
        it = QFileInfo::exists(it.key()) ? std::next(it) : outputs.erase(it);
    settings->setValue(QLatin1String(kCompileOutputsKey), outputs);
}

QString CCompileCommands::LastCompiledFile() const
{
    const QString output = LastCompileOutput();
    return QFileInfo(output).isFile() ? output : QString();
}

void CCompileCommands::Compile(bool ask)
{
    if ((m_documents.Document().IsModified() || m_documents.PathName().isEmpty()) && !m_documents.Save())
        return;
    const QString& project = m_documents.PathName();
    // The last output of this project, or the project's name beside it.
    QString output = LastCompileOutput();
    if (ask || output.isEmpty()) {
        const QFileInfo info(project);
        output = m_hooks.askOutputPath(
            output.isEmpty() ? info.dir().filePath(info.completeBaseName() + QStringLiteral(".kdpbin")) : output);
        if (output.isEmpty())
            return;
        output = QFileInfo(output).absoluteFilePath();
        RememberCompileOutput(output);
    }
    ICompilePane* pane = m_hooks.freeCompilePane();
    if (!pane)
        return;
    m_startedOutput = output;
    pane->StartCompile(project, output);
    // The findings come first: the compiler's messages reach the pane only
    // once this returns to the event loop.
    if (m_checkBeforeCompile && pane->IsCompiling())
        pane->ShowReport(CheckReport(), false);
    m_hooks.started();
}

void CCompileCommands::Check()
{
    m_documents.Document().CommitEdits();
    if (ICompilePane* pane = m_hooks.freeCompilePane())
        pane->ShowReport(CheckReport(), true);
    m_hooks.started();
}

void CCompileCommands::OnCompileText(const QString& text)
{
    if (!m_startedOutput.isEmpty() && text.contains(QStringLiteral(">已经生成文件")))
        EditorSettings()->setValue(QLatin1String(kLastCompiledFileKey), m_startedOutput);
}

QString CCompileCommands::CheckReport() const
{
    // The project as it is now, saved or not.
    const CPageDoc& doc = m_documents.Document();
    const QString& path = m_documents.PathName();
    const ProjectRecord project = doc.ToRecord();
    check::CheckOptions options;
    options.projectFolder = doc.ProjectFolder();
    QString report = QStringLiteral("\r\n>正在检查工程...\r\n");
    QString settingsError;
    if (!path.isEmpty() && !check::ReadProjectCheckSettings(path, options.disabled, &settingsError))
        report += QStringLiteral("!") + settingsError + QStringLiteral("\r\n");
    int errors = 0;
    const std::vector<check::Finding> findings = check::CheckProject(project, options);
    for (const check::Finding& finding : findings) {
        report += check::FindingAsCompilerMessage(finding);
        errors += finding.level == check::Level::Error;
    }
    return report + QStringLiteral(">检查完毕：%1个错误，%2个警告\r\n").arg(errors).arg(int(findings.size()) - errors);
}

} // namespace kdx
