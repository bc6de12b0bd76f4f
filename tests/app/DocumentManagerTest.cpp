#include "DocumentManagerTest.h"

#include "AppTestSupport.h"
#include "app/frame/DocumentManager.h"
#include "model/PageDoc.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace kdx::test {
namespace {

// A user who answers every question the same way, without a window.
class ScriptedUser : public IDocumentQuestions {
public:
    Answer answer = Answer::kCancel;
    QString savePath;
    int saveQuestions = 0;
    QStringList messages;

    QString AskOpenPath() override { return {}; }
    QString AskSavePath(const QString&) override { return savePath; }
    Answer AskSaveChanges(const QString&) override
    {
        ++saveQuestions;
        return answer;
    }
    void ShowFileMessage(const QString& text, Severity) override { messages << text; }
};

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void DocumentManagerTest::init()
{
    EditorSettings()->clear();
}

void DocumentManagerTest::unsavedChangesAreKeptUnlessSavedOrGivenUp()
{
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.kdp"));
    WriteProject(other, 100, 100, 16, 1);
    ScriptedUser user;
    CDocumentManager documents(user);
    CPageDoc& doc = documents.Document();
    documents.NewBlankProject();
    doc.AddPage();
    doc.AddPage();
    QVERIFY(doc.IsModified());
    const auto changed = doc.SaveToBytes();
    const auto kept = [&] {
        return doc.IsModified() && doc.SaveToBytes() == changed && documents.PathName().isEmpty();
    };

    // Cancelled, every way of replacing the project leaves it as it is.
    QVERIFY(!documents.Open(other));
    QVERIFY(!documents.NewProject(320, 240, 16));
    QVERIFY(!documents.SaveModified());
    QCOMPARE(user.saveQuestions, 3);
    QVERIFY(kept());

    // Saving it was chosen, but no file was named or the file cannot be written.
    user.answer = IDocumentQuestions::Answer::kSave;
    QVERIFY(!documents.Open(other));
    QVERIFY(kept());
    user.savePath = dir.filePath(QStringLiteral("missing/folder/p.kdp"));
    QVERIFY(!documents.Open(other));
    QCOMPARE(user.messages.size(), 1);
    QVERIFY(kept());

    // Saved to a file, the other project opens; the file holds the changes.
    user.savePath = dir.filePath(QStringLiteral("p"));
    const QString saved = dir.filePath(QStringLiteral("p.kdp"));
    QVERIFY(documents.Open(other));
    QCOMPARE(documents.PathName(), other);
    QVERIFY(!doc.IsModified());
    QCOMPARE(documents.RecentFiles(), (QStringList{other, saved}));
    CPageDoc reread;
    QVERIFY(!reread.OpenProject(saved));
    QCOMPARE(reread.SaveToBytes(), changed);

    // Given up, the changes go and the saved file stays as it was.
    doc.AddPage();
    user.answer = IDocumentQuestions::Answer::kDiscard;
    const QByteArray savedBytes = FileBytes(saved);
    QVERIFY(documents.Open(saved));
    QCOMPARE(FileBytes(saved), savedBytes);
    QCOMPARE(doc.PageCount(), 2);
}

void DocumentManagerTest::unreadableFileKeepsTheOpenProject()
{
    QTemporaryDir dir;
    const QString damaged = dir.filePath(QStringLiteral("damaged.kdp"));
    QFile file(damaged);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not a project");
    file.close();
    ScriptedUser user;
    user.answer = IDocumentQuestions::Answer::kDiscard;
    CDocumentManager documents(user);
    documents.NewBlankProject();
    documents.Document().AddPage();
    const auto changed = documents.Document().SaveToBytes();

    // The changes were given up for a file that then does not read: the
    // project is still there, still modified, and the user was told.
    for (const QString& path : {damaged, dir.filePath(QStringLiteral("absent.kdp")), dir.path()}) {
        QVERIFY(!documents.Open(path));
        QCOMPARE(documents.Document().SaveToBytes(), changed);
        QVERIFY(documents.Document().IsModified());
    }
    QCOMPARE(user.messages.size(), 3);
}

} // namespace kdx::test
