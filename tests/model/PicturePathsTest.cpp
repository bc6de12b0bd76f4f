#include "model/ModelStrings.h"
#include "model/PageDoc.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kdx;

namespace {

void WritePicture(const QString& path, QColor colour)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path));
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

CDrawImage* AddPicture(CPageDoc& doc, const QString& normal, const QString& pressed = {})
{
    auto* image = static_cast<CDrawImage*>(doc.AddObject(std::make_unique<CDrawImage>(PageRect{0, 0, 4, 4})));
    image->SetNormalImage(normal);
    if (!pressed.isEmpty())
        image->SetPressedImage(pressed);
    return image;
}

} // namespace

TEST(PicturePaths, StoredRelativeOnlyInsideTheProjectFolder)
{
    EXPECT_EQ(StoredPicturePath("/p/proj/img/a.png", "/p/proj"), "img/a.png");
    EXPECT_EQ(StoredPicturePath("/p/proj/./img/../a.png", "/p/proj/"), "a.png");
    // A folder whose name merely starts like the project's is outside it.
    EXPECT_EQ(StoredPicturePath("/p/proj2/a.png", "/p/proj"), "/p/proj2/a.png");
    EXPECT_EQ(StoredPicturePath("/p/a.png", "/p/proj"), "/p/a.png");
    // Not saved yet: no folder to be relative to.
    EXPECT_EQ(StoredPicturePath("/p/proj/a.png", ""), "/p/proj/a.png");
    EXPECT_EQ(ResolvedPicturePath("../a.png", "/p/proj"), "/p/a.png");
    EXPECT_EQ(ResolvedPicturePath("/q/a.png", "/p/proj"), "/q/a.png");
}

TEST(PicturePaths, MovedPathsNameTheSameFiles)
{
    // Into a folder holding the file: relative to it.
    EXPECT_EQ(MovedPicturePath("deep/a.png", "/p", "/p/deep"), "a.png");
    // Elsewhere: the file's absolute path, whether or not it exists.
    EXPECT_EQ(MovedPicturePath("img/a.png", "/p", "/q"), "/p/img/a.png");
    EXPECT_EQ(MovedPicturePath("../a.png", "/p/x", "/q"), "/p/a.png");
    // Absolute paths and unmoved projects are left exactly as stored.
    EXPECT_EQ(MovedPicturePath("/p/img/a.png", "/p", "/p/img"), "/p/img/a.png");
    EXPECT_EQ(MovedPicturePath("img/a.png", "/p", "/p/"), "img/a.png");
    EXPECT_EQ(MovedPicturePath("", "/p", "/q"), "");
}

TEST(PicturePaths, RewritingKeepsTheBackgroundColourAndDecodesTheNewPath)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("a/bg.png"), Qt::red);
    CPageDoc doc;
    doc.SetProjectFolder(dir.filePath("a"));
    CPage* page = doc.AddPage();
    doc.SetCurrentPage(page);
    ASSERT_TRUE(doc.SetPageBackgroundImage(page, "bg.png"));
    AddPicture(doc, "bg.png", "bg.png");
    doc.SetModifiedFlag(false);

    doc.SetProjectFolder(dir.path());
    EXPECT_EQ(doc.RewritePicturePaths([](const QString& p) { return "a/" + p; }), 3);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(page->BackgroundImage()->path, "a/bg.png");
    EXPECT_FALSE(page->BackgroundImage()->bitmap.isNull());
    EXPECT_EQ(page->BackgroundColor(), kNoColor);
    const auto* image = static_cast<const CDrawImage*>(page->Objects().front().get());
    EXPECT_EQ(image->PressedImage()->path, "a/bg.png");
    // The old entry is gone once nothing refers to it.
    ASSERT_EQ(doc.ImageTable().size(), 1u);
    EXPECT_EQ(doc.ImageTable().front().refs, 3);
}

TEST(PicturePaths, CollectingCopiesOutsidePicturesOnceAndKeepsNamesApart)
{
    QTemporaryDir dir;
    const QString project = dir.filePath("proj");
    WritePicture(dir.filePath("lib/logo.png"), Qt::red);
    WritePicture(dir.filePath("other/logo.png"), Qt::blue);
    WritePicture(dir.filePath("lib/bg.png"), Qt::green);
    WritePicture(project + "/inside.png", Qt::yellow);
    // Already there from an earlier collection: used again, not copied.
    WritePicture(project + "/images/bg.png", Qt::green);

    CPageDoc doc;
    doc.SetProjectFolder(project);
    CPage* page = doc.AddPage();
    doc.SetCurrentPage(page);
    ASSERT_TRUE(doc.SetPageBackgroundImage(page, "../lib/bg.png"));
    AddPicture(doc, dir.filePath("lib/logo.png"), dir.filePath("other/logo.png"));
    AddPicture(doc, dir.filePath("lib/logo.png"), "inside.png");
    WritePicture(dir.filePath("gone.png"), Qt::black);
    AddPicture(doc, dir.filePath("gone.png"));
    ASSERT_TRUE(QFile::remove(dir.filePath("gone.png")));

    const CollectedPictures result = doc.CollectPictures();
    EXPECT_EQ(result.copied, QStringList({"logo.png", "logo_2.png"}));
    EXPECT_EQ(result.rewritten, 4);
    ASSERT_EQ(result.failures.size(), 1);
    EXPECT_TRUE(result.failures[0].contains(dir.filePath("gone.png")));
    EXPECT_EQ(Contents(project + "/images/logo.png"), Contents(dir.filePath("lib/logo.png")));
    EXPECT_EQ(Contents(project + "/images/logo_2.png"), Contents(dir.filePath("other/logo.png")));

    EXPECT_EQ(page->BackgroundImage()->path, "images/bg.png");
    const auto* first = static_cast<const CDrawImage*>(page->Objects()[0].get());
    const auto* second = static_cast<const CDrawImage*>(page->Objects()[1].get());
    EXPECT_EQ(first->NormalImage()->path, "images/logo.png");
    EXPECT_EQ(first->PressedImage()->path, "images/logo_2.png");
    EXPECT_EQ(second->NormalImage()->path, "images/logo.png");
    EXPECT_EQ(second->PressedImage()->path, "inside.png");
    EXPECT_FALSE(first->PressedImage()->bitmap.isNull());

    // A second collection finds nothing left to do.
    const CollectedPictures again = doc.CollectPictures();
    EXPECT_TRUE(again.copied.isEmpty());
    EXPECT_EQ(again.rewritten, 0);

    // A project without a folder has nowhere to collect into.
    CPageDoc untitled;
    untitled.AddPage();
    EXPECT_EQ(untitled.CollectPictures().rewritten, 0);
}
