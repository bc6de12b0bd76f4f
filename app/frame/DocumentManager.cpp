#include "app/frame/DocumentManager.h"

#include "app/frame/EditorSettings.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/UndoHistory.h"
#include "model/ModelStrings.h"
#include "model/PageDoc.h"
#include "model/PicturePaths.h"
#include "model/ProjectRecord.h"
#include "model/ProjectText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kdx {
namespace {

constexpr const char* kRecentGroup = "Recent File List";

} // namespace

CDocumentManager::CDocumentManager(IDocumentQuestions& questions, QObject* parent)
    : QObject(parent), m_questions(questions), m_doc(std::make_unique<CPageDoc>()),
      m_history(std::make_unique<CUndoHistory>(*m_doc))
{
    auto settings = EditorSettings();
    settings->beginGroup(QLatin1String(kRecentGroup));
    for (int i = 1; i <= kMaxRecentFiles; ++i) {
        const QString path = settings->value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty())
            m_recentFiles << path;
    }
    settings->endGroup();
}

CDocumentManager::~CDocumentManager() = default;

void CDocumentManager::ResetDocument()
{
    m_doc->DeleteContents();
    m_doc->header = FileHeader();
    SetPathName({});
}

void CDocumentManager::SetPathName(const QString& path)
{
    m_pathName = path;
    m_doc->SetTitle(path.isEmpty() ? EditorString(IDS_UNTITLED) : QFileInfo(path).fileName());
    // An untitled project has no folder: its pictures keep the paths chosen.
    m_doc->SetProjectFolder(path.isEmpty() ? QString() : QFileInfo(path).absolutePath());
    emit PathChanged();
}

void CDocumentManager::MakeFirstPageCurrent()
{
    if (!m_doc->CurrentPage() && m_doc->PageCount() > 0)
        m_doc->SetCurrentPage(m_doc->PageAt(0));
}

void CDocumentManager::StartProject()
{
    m_history->Reset();
    emit ProjectStarted();
}

void CDocumentManager::NewBlankProject()
{
    ResetDocument();
    emit ProjectReplaced();
    m_doc->SetModifiedFlag(false);
    StartProject();
}

bool CDocumentManager::NewProject(int width, int height, int colorDepth)
{
    // A cancelled save prompt abandons the whole command: the open project
    // keeps its size, depth and pages.
    if (!SaveModified())
        return false;
    ResetDocument();
    m_doc->SetModifiedFlag(false);
    m_doc->header.width = uint16_t(width);
    m_doc->header.height = uint16_t(height);
    m_doc->header.colorDepth = uint32_t(colorDepth);
    m_doc->AddPage();
    MakeFirstPageCurrent();
    emit ProjectReplaced();
    StartProject();
    return true;
}

void CDocumentManager::OpenAsked()
{
    const QString path = m_questions.AskOpenPath();
    if (!path.isEmpty())
        Open(path);
}

bool CDocumentManager::Open(const QString& path)
{
    return OpenProjectFile(path) == OpenResult::kOpened;
}

CDocumentManager::OpenResult CDocumentManager::OpenProjectFile(const QString& path)
{
    if (!SaveModified())
        return OpenResult::kCancelled;
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    // A file that cannot be read leaves the open project as it is.
    QFile probe(fullPath);
    if (QFileInfo(fullPath).isDir() || !probe.open(QIODevice::ReadOnly)) {
        const QString reason = QFileInfo(fullPath).isDir() ? QStringLiteral("Is a directory") : probe.errorString();
        m_questions.ShowFileMessage(FormatModelString(kStrCannotReadFile, {fullPath, reason}),
                                    IDocumentQuestions::Severity::kError);
        return OpenResult::kUnreadable;
    }
    probe.close();
    // A file that is not a readable project is found out before the open
    // project is given up; reading it without decoding images is quick.
    {
        CPageDoc trial;
        trial.SetImageDecoding(false);
        trial.SetProjectFolder(QFileInfo(fullPath).absolutePath());
        if (const auto error = trial.OpenProject(fullPath)) {
            m_questions.ShowFileMessage(error->Text(), IDocumentQuestions::Severity::kError);
            return OpenResult::kUnreadable;
        }
    }
    m_doc->SetProjectFolder(QFileInfo(fullPath).absolutePath());
    if (const auto error = m_doc->OpenProject(fullPath)) {
        m_questions.ShowFileMessage(error->Text(), IDocumentQuestions::Severity::kError);
        NewBlankProject();
        return OpenResult::kUnreadable;
    }
    emit ProjectReplaced();
    m_doc->SetModifiedFlag(false);
    SetPathName(fullPath);
    MakeFirstPageCurrent();
    AddRecentFile(fullPath);
    StartProject();
    return OpenResult::kOpened;
}

void CDocumentManager::OpenRecent(int index)
{
    if (index < 0 || index >= m_recentFiles.size())
        return;
    const QString path = m_recentFiles[index];
    if (!QFileInfo::exists(path)) {
        m_questions.ShowFileMessage(FormatString(IDS_RECENT_FILE_MISSING, {path}),
                                    IDocumentQuestions::Severity::kWarning);
        RemoveRecentFile(path);
        return;
    }
    if (OpenProjectFile(path) == OpenResult::kUnreadable)
        RemoveRecentFile(path);
}

bool CDocumentManager::SaveModified()
{
    // A value being typed counts as a change; a refused one keeps the
    // project open with its message.
    if (!m_doc->CommitEdits())
        return false;
    if (!m_doc->IsModified())
        return true;
    switch (m_questions.AskSaveChanges(m_pathName.isEmpty() ? m_doc->Title() : m_pathName)) {
    case IDocumentQuestions::Answer::kSave:
        return Save();
    case IDocumentQuestions::Answer::kDiscard:
        return true;
    case IDocumentQuestions::Answer::kCancel:
        break;
    }
    return false;
}

bool CDocumentManager::Save()
{
    return SaveAs(m_pathName);
}

bool CDocumentManager::SaveAs(const QString& path)
{
    if (!m_doc->CommitEdits())
        return false;
    QString target = path;
    if (target.isEmpty()) {
        const QString suggestion = m_pathName.isEmpty() ? m_doc->Title() + QStringLiteral(".kdp") : m_pathName;
        target = m_questions.AskSavePath(suggestion);
        if (target.isEmpty())
            return false;
        if (QFileInfo(target).suffix().isEmpty())
            target += IsProjectTextPath(m_pathName) ? QStringLiteral(".kdpj") : QStringLiteral(".kdp");
    }
    target = QFileInfo(target).absoluteFilePath();
    if (!SaveProjectTo(target))
        return false;
    m_doc->SetModifiedFlag(false);
    m_history->MarkSaved();
    SetPathName(target);
    AddRecentFile(target);
    emit Saved();
    return true;
}

bool CDocumentManager::SaveProjectTo(const QString& target)
{
    const QString from = m_doc->ProjectFolder(), to = QFileInfo(target).absolutePath();
    const auto map = [from, to](const QString& path) { return MovedPicturePath(path, from, to); };
    std::optional<ProjectError> error;
    if (from.isEmpty() || QDir::cleanPath(from) == QDir::cleanPath(to)) {
        error = m_doc->SaveProject(target);
    } else {
        // Saved into another folder, relative picture paths are rewritten so
        // that they name the same files from there. The open project (and
        // its undo steps) follow only once the file is written.
        CPageDoc moved;
        moved.SetImageDecoding(false);
        error = moved.LoadFromBytes(m_doc->SaveToBytes());
        if (!error) {
            moved.RewritePicturePaths(map);
            error = moved.SaveProject(target);
        }
        if (!error) {
            m_doc->SetProjectFolder(to);
            m_history->RewriteStates([&map](CPageDoc& doc) { doc.RewritePicturePaths(map); });
        }
    }
    if (error)
        m_questions.ShowFileMessage(error->Text(), IDocumentQuestions::Severity::kError);
    return !error;
}

// ------------------------------------------------------------- recent files

void CDocumentManager::AddRecentFile(const QString& path)
{
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > kMaxRecentFiles)
        m_recentFiles.removeLast();
    SaveRecentFiles();
}

void CDocumentManager::RemoveRecentFile(const QString& path)
{
    m_recentFiles.removeAll(path);
    SaveRecentFiles();
}

void CDocumentManager::SaveRecentFiles() const
{
    auto settings = EditorSettings();
    settings->beginGroup(QLatin1String(kRecentGroup));
    for (int i = 0; i < kMaxRecentFiles; ++i) {
        const QString key = QStringLiteral("File%1").arg(i + 1);
        if (i < m_recentFiles.size())
            settings->setValue(key, m_recentFiles[i]);
        else
            settings->remove(key);
    }
    settings->endGroup();
}

} // namespace kdx
