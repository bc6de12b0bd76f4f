#include "ProjectPicturesTest.h"

#include "AppTestSupport.h"

#include "app/frame/CMyStatusBar.h"
#include "app/frame/Commands.h"
#include "app/frame/UndoHistory.h"
#include "model/PageDoc.h"
#include "tests/support/ProgramRun.h"

#include <QImage>
#include <QTest>

namespace kdx::test {
namespace {

QString WritePicture(const QString& path, QColor colour = Qt::red)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path) ? path : QString();
}

// A frame holding a project saved as `path`, one page with one picture
// object, whose history starts there.
struct PictureProject {
    TestFrame frame;
    CPageDoc& doc;
    CDrawImage* image = nullptr;

    PictureProject(const QString& path, const QString& picture) : doc(frame.Document())
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        doc.SetCurrentPage(doc.AddPage());
        QVERIFY(frame.Documents().SaveAs(path));
        image = static_cast<CDrawImage*>(doc.AddObject(std::make_unique<CDrawImage>(PageRect{0, 0, 8, 8})));
        image->SetNormalImage(picture);
        QVERIFY(image->NormalImage());
        frame.History().Checkpoint();
    }
    QString Normal() const { return image->NormalImage()->path; }
    // The page's first object, anew after undo or redo read the project back.
    QString FirstPicture() const
    {
        const auto* first = static_cast<const CDrawImage*>(doc.PageAt(0)->Objects().front().get());
        return first->NormalImage() ? first->NormalImage()->path : QString();
    }
};

} // namespace

void ProjectPicturesTest::chosenInsideTheFolderIsStoredRelative()
{
    const QString inside = WritePicture(m_dir.filePath("p1/img/in.png"));
    const QString outside = WritePicture(m_dir.filePath("out.png"));
    TestFrame frame;
    CPageDoc& doc = frame.Document();
    doc.AddPage();
    QString startFolder;
    const auto choose = [&](const QString& file) {
        std::optional<QString> chosen;
        ModalDriver driver;
        driver.Then(PickFile(file, &startFolder));
        driver.Run([&] { chosen = doc.ChooseImageFile(QString()); });
        return chosen.value_or(QStringLiteral("<none>"));
    };
    // The first dialog starts in the project's folder.
    QVERIFY(frame.Documents().SaveAs(m_dir.filePath("p1/p.kdp")));
    QCOMPARE(choose(inside), QStringLiteral("img/in.png"));
    QCOMPARE(startFolder, m_dir.filePath("p1"));
    QCOMPARE(choose(outside), outside);
    QCOMPARE(startFolder, m_dir.filePath("p1/img"));

    // A new project forgets the old folder: untitled, the path as chosen.
    frame.Documents().NewBlankProject();
    doc.AddPage();
    QVERIFY(doc.ProjectFolder().isEmpty());
    QCOMPARE(choose(inside), inside);
}

void ProjectPicturesTest::savingElsewhereKeepsEveryStateFindingThePictures()
{
    WritePicture(m_dir.filePath("a/img/one.png"), Qt::red);
    WritePicture(m_dir.filePath("a/sub/two.png"), Qt::blue);
    const QString absolute = WritePicture(m_dir.filePath("abs.png"), Qt::green);
    PictureProject p(m_dir.filePath("a/p.kdp"), QStringLiteral("img/one.png"));
    auto* background = p.doc.PageAt(0);
    QVERIFY(p.doc.SetPageBackgroundImage(background, absolute));
    p.frame.History().Checkpoint();
    p.image->SetNormalImage(QStringLiteral("sub/two.png"));
    p.frame.History().Checkpoint();

    // Into a folder below: the picture there stays relative, the others
    // are named by their full paths; the stored absolute path is untouched.
    p.frame.saveAnswer = m_dir.filePath("a/sub/q.kdp");
    p.frame.ExecuteCommand(ID_FILE_SAVE_AS);
    QCOMPARE(p.frame.PathName(), p.frame.saveAnswer);
    QCOMPARE(p.FirstPicture(), QStringLiteral("two.png"));
    QVERIFY(!p.image->NormalImage()->bitmap.isNull());
    QCOMPARE(background->BackgroundImage()->path, absolute);
    QVERIFY(!p.doc.IsModified());

    // The file read back finds the same pictures.
    CPageDoc reread;
    reread.SetProjectFolder(m_dir.filePath("a/sub"));
    QVERIFY(!reread.OpenProject(p.frame.saveAnswer));
    const auto* image = static_cast<const CDrawImage*>(reread.PageAt(0)->Objects().front().get());
    QCOMPARE(image->NormalImage()->path, QStringLiteral("two.png"));
    QVERIFY(!image->NormalImage()->bitmap.isNull());

    // The compiler finds them from the new folder.
    const ProgramRun run = RunProgram(QStringLiteral("kdx"),
                                      {QStringLiteral("compile"), p.frame.saveAnswer, m_dir.filePath("q.kdpbin")});
    QVERIFY2(run.exitCode == 0, qPrintable(run.out + run.err));

    // Undoing goes back to a state that names its picture from here too,
    // and is not a change of its own.
    QVERIFY(p.frame.History().Undo());
    QCOMPARE(p.FirstPicture(), m_dir.filePath("a/img/one.png"));
    QVERIFY(p.frame.History().Redo());
    QCOMPARE(p.FirstPicture(), QStringLiteral("two.png"));
    QVERIFY(!p.doc.IsModified());
}

void ProjectPicturesTest::aFailedSaveLeavesThePathsAlone()
{
    WritePicture(m_dir.filePath("c/one.png"));
    PictureProject p(m_dir.filePath("c/p.kdp"), QStringLiteral("one.png"));
    ModalDriver driver;
    driver.Answer(QMessageBox::Ok);
    driver.Run([&] { QVERIFY(!p.frame.Documents().SaveAs(m_dir.filePath("missing/folder/q.kdp"))); });
    QCOMPARE(driver.boxes.size(), size_t(1));
    QCOMPARE(p.Normal(), QStringLiteral("one.png"));
    QCOMPARE(p.doc.ProjectFolder(), m_dir.filePath("c"));
    QCOMPARE(p.frame.PathName(), m_dir.filePath("c/p.kdp"));
}

void ProjectPicturesTest::collectingIsOneStepAndSaysWhatWasCopied()
{
    const QString outside = WritePicture(m_dir.filePath("lib/logo.png"));
    PictureProject p(m_dir.filePath("d/p.kdp"), outside);
    const int steps = p.frame.History().UndoCount();
    p.frame.ExecuteCommand(ID_PROJECT_COLLECT_PICTURES);
    QVERIFY(QFileInfo(m_dir.filePath("d/images/logo.png")).isFile());
    QCOMPARE(p.Normal(), QStringLiteral("images/logo.png"));
    QCOMPARE(p.frame.StatusBar()->PaneAt(0).text, QStringLiteral("已把1个图片复制到“images”：logo.png"));
    QCOMPARE(p.frame.History().UndoCount(), steps + 1);
    QVERIFY(p.frame.History().Undo());
    QCOMPARE(p.FirstPicture(), outside);

    // Again: the copy there is used, nothing is copied twice.
    p.frame.ExecuteCommand(ID_PROJECT_COLLECT_PICTURES);
    QCOMPARE(p.FirstPicture(), QStringLiteral("images/logo.png"));
    QVERIFY(!QFileInfo::exists(m_dir.filePath("d/images/logo_2.png")));
    QCOMPARE(p.frame.StatusBar()->PaneAt(0).text, QStringLiteral("工程的图片已改为引用“images”中的文件"));
    p.frame.ExecuteCommand(ID_PROJECT_COLLECT_PICTURES);
    QCOMPARE(p.frame.StatusBar()->PaneAt(0).text, QStringLiteral("所有图片都已在工程文件夹中，无需收集"));
}

} // namespace kdx::test
