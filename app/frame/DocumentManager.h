#pragma once
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace kdx {

class CPageDoc;
class CUndoHistory;

// What the document manager asks of the user; the main frame asks with
// its dialogs, tests answer directly.
class IDocumentQuestions {
public:
    enum class Answer { kSave, kDiscard, kCancel };
    enum class Severity { kWarning, kError };

    virtual ~IDocumentQuestions() = default;
    // The project file to open or to save to; empty when cancelled.
    virtual QString AskOpenPath() = 0;
    virtual QString AskSavePath(const QString& suggestion) = 0;
    // Whether the changes to the named project are saved before it goes.
    virtual Answer AskSaveChanges(const QString& name) = 0;
    // A file that could not be read or written, or has gone.
    virtual void ShowFileMessage(const QString& text, Severity severity) = 0;
};

// The one open project: its document and undo history, its path, new,
// open, save and save-as, the question before unsaved changes go, and the
// list of recent files.
class CDocumentManager : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxRecentFiles = 10;

    explicit CDocumentManager(IDocumentQuestions& questions, QObject* parent = nullptr);
    ~CDocumentManager() override;

    CPageDoc& Document() { return *m_doc; }
    const CPageDoc& Document() const { return *m_doc; }
    CUndoHistory& History() { return *m_history; }
    const QString& PathName() const { return m_pathName; }
    QStringList RecentFiles() const { return m_recentFiles; }

    // An empty untitled project.
    void NewBlankProject();
    // An untitled project of one page in the format given; false when the
    // user kept the open project.
    bool NewProject(int width, int height, int colorDepth);
    // Opens a project; an unreadable file leaves the open project as it is.
    bool Open(const QString& path);
    // Asks for a project and opens it.
    void OpenAsked();
    // Opens an entry of the recent-file list; one whose file has gone or no
    // longer reads as a project leaves the list.
    void OpenRecent(int index);
    // Before the project goes: true when its changes are saved or given up.
    bool SaveModified();
    // Saves to the project's file, asking for one while it has none.
    bool Save();
    // Saves to the file (asked for when empty) and goes on as that file.
    bool SaveAs(const QString& path = {});

signals:
    // A new or opened project's contents have replaced the old ones.
    void ProjectReplaced();
    // The project's path and with it its title changed.
    void PathChanged();
    // A new or opened project is ready: no steps to undo, nothing saved yet.
    void ProjectStarted();
    // The project was written to its file.
    void Saved();

private:
    enum class OpenResult { kOpened, kCancelled, kUnreadable };
    OpenResult OpenProjectFile(const QString& path);
    // Writes the project to the file, pictures still found from its folder.
    bool SaveProjectTo(const QString& target);
    void ResetDocument();
    void SetPathName(const QString& path);
    void MakeFirstPageCurrent();
    void StartProject();
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    void SaveRecentFiles() const;

    IDocumentQuestions& m_questions;
    std::unique_ptr<CPageDoc> m_doc;
    std::unique_ptr<CUndoHistory> m_history;
    QString m_pathName;
    QStringList m_recentFiles;
};

} // namespace kdx
