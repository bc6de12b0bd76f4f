#include "RecordingObserver.h"

#include "model/ModelStrings.h"

#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kdx;
using namespace kdx::test;

namespace {

std::vector<uint32_t> PageIds(const CPageDoc& doc)
{
    std::vector<uint32_t> ids;
    for (const auto& p : doc.Pages())
        ids.push_back(p->PageId());
    return ids;
}

} // namespace

TEST(PageDoc, NewPagesTakeTheFirstFreeIdAndName)
{
    CPageDoc doc;
    CPage* p0 = doc.AddPage();
    CPage* p1 = doc.AddPage();
    CPage* p2 = doc.AddPage();
    EXPECT_EQ(p0->Name(), "Page 1");
    EXPECT_TRUE(doc.SetPageId(p2, 3));
    EXPECT_TRUE(doc.RenamePage(p2, "Main"));
    EXPECT_TRUE(doc.RenamePage(p1, "Page 3"));
    CPage* added = doc.AddPage();
    EXPECT_EQ(added->PageId(), 2u);
    EXPECT_EQ(added->Name(), "Page 2");
    EXPECT_EQ(doc.CurrentPage(), nullptr); // adding does not select
    EXPECT_EQ(doc.IndexOfPage(3), 2);
    EXPECT_EQ(doc.IndexOfPage(kNoPage), -1);
    EXPECT_EQ(doc.FindPage(kNoPage), nullptr);
    EXPECT_EQ(doc.PageAt(4), nullptr);
    EXPECT_EQ(doc.IndexOfPageName("main"), -1); // case-sensitive
    EXPECT_EQ(doc.IndexOfPageName(QString()), -1);
}

TEST(PageDoc, PageIdAndNameRefusals)
{
    CPageDoc doc;
    CPage* a = doc.AddPage();
    CPage* b = doc.AddPage();
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(doc.SetPageId(a, kNoPage));
    EXPECT_FALSE(doc.SetPageId(a, 70000));
    EXPECT_FALSE(doc.SetPageId(a, b->PageId()));
    EXPECT_TRUE(doc.SetPageId(a, a->PageId()));
    EXPECT_FALSE(doc.RenamePage(a, ""));
    EXPECT_FALSE(doc.RenamePage(a, b->Name()));
    EXPECT_TRUE(doc.RenamePage(a, a->Name()));
    EXPECT_FALSE(doc.IsModified());
    CPageDoc other;
    CPage* foreign = other.AddPage();
    EXPECT_FALSE(doc.SetPageId(foreign, 9));
    EXPECT_FALSE(doc.RenamePage(foreign, "x"));
}

TEST(PageDoc, RenumberingAndDeletingPagesMoveTheJumps)
{
    CPageDoc doc;
    CPage* five = doc.AddPage();
    CPage* seven = doc.AddPage();
    ASSERT_TRUE(doc.SetPageId(five, 5));
    ASSERT_TRUE(doc.SetPageId(seven, 7));
    doc.SetCurrentPage(seven);
    auto* toFive = doc.AddObject(std::make_unique<CDrawRect>(PageRect{0, 0, 5, 5}));
    auto* toSeven = doc.AddObject(std::make_unique<CDrawImage>(PageRect{0, 0, 5, 5}));
    doc.SetCurrentPage(five);
    auto* toSevenToo = doc.AddObject(std::make_unique<CDrawCustom>(PageRect{0, 0, 5, 5}));
    toFive->SetJumpTarget(5);
    toSeven->SetJumpTarget(7);
    toSevenToo->SetJumpTarget(7);

    ASSERT_TRUE(doc.SetPageId(five, 9));
    EXPECT_EQ(toFive->JumpTarget(), 9u);
    EXPECT_EQ(toSeven->JumpTarget(), 7u);

    doc.SetCurrentPage(seven);
    doc.DeletePage(seven);
    EXPECT_EQ(doc.CurrentPage(), nullptr);
    EXPECT_EQ(toSevenToo->JumpTarget(), kNoPage);
    EXPECT_EQ(PageIds(doc), (std::vector<uint32_t>{9}));
}

TEST(PageDoc, BackgroundColourAndImageExcludeEachOther)
{
    DocWithPage d;
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(QColor(7, 255, 7));
    QString path = QDir::temp().filePath("kdx_model_bg_test.png");
    ASSERT_TRUE(img.save(path));

    d.doc.SetPageBackgroundColor(d.page, 0x00FF00);
    EXPECT_EQ(d.page->BackgroundColor(), 0x00FF00u);
    EXPECT_TRUE(d.doc.SetPageBackgroundImage(d.page, path));
    ASSERT_NE(d.page->BackgroundImage(), nullptr);
    // Shown as the 16-bit terminal shows it: the low bits of red and blue are lost.
    EXPECT_EQ(d.page->BackgroundImage()->bitmap.pixel(1, 1), qRgb(0, 255, 0));
    EXPECT_EQ(d.page->BackgroundColor(), kNoColor);
    EXPECT_TRUE(d.doc.SetPageBackgroundImage(d.page, path)); // same image: one reference
    EXPECT_EQ(d.doc.ImageTable().front().refs, 1);
    d.doc.SetPageBackgroundColor(d.page, 0x0000FF);
    EXPECT_EQ(d.page->BackgroundImage(), nullptr);
    EXPECT_TRUE(d.doc.ImageTable().empty());

    // A file that cannot be decoded: a notice, no image.
    d.seen.Clear();
    EXPECT_TRUE(d.doc.SetPageBackgroundImage(d.page, "/nonexistent/picture.png"));
    EXPECT_EQ(d.page->BackgroundImage(), nullptr);
    ASSERT_EQ(d.seen.unreadablePictures, std::vector<QString>{"/nonexistent/picture.png"});
    EXPECT_EQ(PictureUnreadableText(d.seen.unreadablePictures[0]),
              QString::fromUtf16(u"打开图象文件错误 /nonexistent/picture.png"));
    // Devices and pipes are not read.
    EXPECT_TRUE(d.doc.SetPageBackgroundImage(d.page, "/dev/zero"));
    EXPECT_EQ(d.page->BackgroundImage(), nullptr);
    QFile::remove(path);
}

TEST(PageDoc, ReadingBackAStateDecodesOnlyChangedPictures)
{
    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath("bg.png");
    const auto writePicture = [&](QColor colour, QDateTime modified) {
        QImage img(4, 4, QImage::Format_RGB32);
        img.fill(colour);
        ASSERT_TRUE(img.save(file));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(modified, QFileDevice::FileModificationTime));
    };
    const QDateTime first = QDateTime::currentDateTime().addSecs(-60);
    writePicture(QColor(0, 255, 0), first);

    DocWithPage d;
    d.doc.SetProjectFolder(dir.path());
    ASSERT_TRUE(d.doc.SetPageBackgroundImage(d.page, "bg.png"));
    const std::vector<uint8_t> state = d.doc.SaveToBytes();
    const qint64 decoded = d.doc.ImageTable().front().bitmap.cacheKey();

    // The same file: the pixels are taken over, not decoded again.
    ASSERT_FALSE(d.doc.LoadFromBytes(state));
    ASSERT_EQ(d.doc.ImageTable().size(), 1u);
    EXPECT_EQ(d.doc.ImageTable().front().bitmap.cacheKey(), decoded);

    // A file changed since is decoded anew.
    writePicture(QColor(0, 0, 255), first.addSecs(30));
    ASSERT_FALSE(d.doc.LoadFromBytes(state));
    EXPECT_EQ(d.doc.ImageTable().front().bitmap.pixel(1, 1), qRgb(0, 0, 255));

    // So is one read for another colour depth, and none from a project opened anew.
    const qint64 blue = d.doc.ImageTable().front().bitmap.cacheKey();
    CPageDoc other;
    other.SetProjectFolder(dir.path());
    ASSERT_FALSE(other.LoadFromBytes(state));
    EXPECT_NE(other.ImageTable().front().bitmap.cacheKey(), blue);
    d.doc.header.colorDepth = 24;
    ASSERT_FALSE(d.doc.LoadFromBytes(d.doc.SaveToBytes()));
    EXPECT_NE(d.doc.ImageTable().front().bitmap.cacheKey(), blue);
}

TEST(PageDoc, MovePageAndRestackObjectAtTheEndsChangeNothing)
{
    DocWithPage d;
    CPage* second = d.doc.AddPage();
    CPage* third = d.doc.AddPage();
    auto* bottom = d.Add<CDrawRect>();
    auto* top = d.Add<CDrawEllipse>();
    d.doc.SetModifiedFlag(false);
    d.doc.MovePage(d.page, CPageDoc::kMoveForward);
    d.doc.MovePage(third, CPageDoc::kMoveToEnd);
    d.doc.RestackObject(top, CPageDoc::kRestackToTop);
    d.doc.RestackObject(bottom, CPageDoc::kRestackDown);
    EXPECT_FALSE(d.doc.IsModified());

    d.doc.MovePage(third, CPageDoc::kMoveToFront);
    EXPECT_EQ(PageIds(d.doc), (std::vector<uint32_t>{2, 0, 1}));
    d.doc.MovePage(third, CPageDoc::kMoveBackward);
    EXPECT_EQ(PageIds(d.doc), (std::vector<uint32_t>{0, 2, 1}));
    d.doc.MovePage(d.page, CPageDoc::kMoveToEnd);
    EXPECT_EQ(PageIds(d.doc), (std::vector<uint32_t>{2, 1, 0}));
    (void)second;

    d.doc.RestackObject(bottom, CPageDoc::kRestackUp);
    EXPECT_EQ(d.page->IndexOfObject(bottom), 1);
    d.doc.RestackObject(bottom, CPageDoc::kRestackToBottom);
    EXPECT_EQ(d.page->IndexOfObject(bottom), 0);
    EXPECT_TRUE(d.doc.IsModified());
}

TEST(PageDoc, ObjectIdsExhaustedRenumberEverything)
{
    DocWithPage d;
    auto* a = d.Add<CDrawRect>();
    auto* b = d.Add<CDrawRect>();
    EXPECT_EQ(a->ObjectId(), 1u);
    EXPECT_EQ(b->ObjectId(), 2u);
    d.doc.view.lastObjectId = 0x7FFFFFFE;
    EXPECT_EQ(d.doc.NextObjectId(), 0x7FFFFFFFu);
    EXPECT_EQ(d.doc.NextObjectId(), 3u); // two objects renumbered 1, 2
    EXPECT_EQ(a->ObjectId(), 1u);
    EXPECT_EQ(b->ObjectId(), 2u);
    CDrawObj* found = nullptr;
    CPage* page = nullptr;
    EXPECT_TRUE(d.doc.FindObject(2, &found, &page));
    EXPECT_EQ(found, b);
    EXPECT_EQ(page, d.page);
    EXPECT_FALSE(d.doc.FindObject(99));
}

TEST(PageDoc, AddObjectNeedsAPageAndAnObject)
{
    CPageDoc doc;
    EXPECT_THROW(doc.AddObject(nullptr), std::invalid_argument);
    EXPECT_EQ(doc.AddObject(std::make_unique<CDrawRect>()), nullptr);

    doc.SetCurrentPage(doc.AddPage());
    for (size_t i = 0; i < kMaxObjectsPerPage; ++i)
        doc.AddObject(std::make_unique<CDrawRect>());
    auto extra = std::make_unique<CDrawRect>();
    EXPECT_THROW(doc.AddObject(std::move(extra)), NotSupportedError);
    EXPECT_EQ(doc.CurrentPage()->Objects().size(), kMaxObjectsPerPage);
    EXPECT_EQ(doc.view.lastObjectId, kMaxObjectsPerPage);
}

TEST(PageDoc, ObjectAtFindsTheTopmost)
{
    DocWithPage d;
    auto* lower = d.Add<CDrawRect>(PageRect{0, 0, 100, 100});
    auto* upper = d.Add<CDrawEllipse>(PageRect{50, 50, 150, 150});
    EXPECT_EQ(d.doc.ObjectAt(60, 60), upper);
    EXPECT_EQ(d.doc.ObjectAt(10, 10), lower);
    EXPECT_EQ(d.doc.ObjectAt(200, 200), nullptr);
}

TEST(PageDoc, ChangeReportingToObservers)
{
    DocWithPage d;
    CPage* other = d.doc.AddPage();
    EXPECT_EQ(d.seen.modified, (std::vector<bool>{true}));
    d.doc.SetModifiedFlag(true); // already modified: nothing reported
    EXPECT_EQ(d.seen.modified.size(), 1u);
    d.doc.SetTitle("demo.kdp");
    EXPECT_EQ(d.doc.ShownTitle(), "demo.kdp*");
    d.doc.SetModifiedFlag(false);
    EXPECT_EQ(d.doc.ShownTitle(), "demo.kdp");

    d.seen.Clear();
    d.doc.SetCurrentPage(other);
    d.doc.SetCurrentPage(other);
    ASSERT_EQ(d.seen.currentPages.size(), 1u);
    EXPECT_EQ(d.seen.currentPages[0], std::make_pair(d.page, other));
    EXPECT_EQ(d.seen.updates, (std::vector<std::pair<UpdateHint, CDrawObj*>>{{UpdateHint::CurrentPage, nullptr}}));

    auto* rect = d.Add<CDrawRect>();
    d.seen.Clear();
    d.doc.RemoveObject(rect);
    EXPECT_EQ(d.seen.updates, (std::vector<std::pair<UpdateHint, CDrawObj*>>{{UpdateHint::RemoveObject, rect}}));

    d.seen.Clear();
    d.doc.SetGridSize(0, 8);
    d.doc.SetGridSize(4, 4);
    EXPECT_TRUE(d.seen.updates.empty());
    d.doc.SetGridSize(8, 4);
    EXPECT_EQ(d.doc.view.gridWidth, 8u);
    EXPECT_EQ(d.seen.updates.size(), 1u);

    d.doc.DeleteAllPages();
    EXPECT_EQ(d.doc.CurrentPage(), nullptr);
    EXPECT_EQ(d.doc.PageCount(), 0u);
}

TEST(PageDoc, SendDataIsInternedByTagLengthAndBytes)
{
    CPageDoc doc;
    std::vector<uint8_t> big(70000, 0x5A);
    SendDataEntry* cut = doc.InternSendData(big.data(), int(big.size()), 0);
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->bytes.size(), 65535u);
    const uint8_t bytes[] = {1, 2};
    SendDataEntry* a = doc.InternSendData(bytes, 2, 0);
    EXPECT_NE(doc.InternSendData(bytes, 2, 1), a);
    EXPECT_NE(doc.InternSendData(bytes, 1, 0), a);
    EXPECT_EQ(doc.InternSendData(bytes, 2, 0), a);
    EXPECT_EQ(a->refs, 2);
    EXPECT_EQ(doc.InternSendData(nullptr, 2, 0), nullptr);
    EXPECT_EQ(doc.InternSendData(bytes, 0, 0), nullptr);
    EXPECT_EQ(doc.InternText(u"x", 0), nullptr);
}

TEST(ModelStrings, FormatsAndConditions)
{
    EXPECT_EQ(FormatModelString(kStrStatusResolution, {"480", "272"}), QString::fromUtf16(u" 分辨率：480 x 272 "));
    EXPECT_EQ(ExecuteConditionText(0), QString::fromUtf16(u"触摸放开后执行"));
    EXPECT_EQ(ExecuteConditionText(15), QString::fromUtf16(u"延时1.75秒后直接执行"));
    EXPECT_TRUE(ExecuteConditionText(16).isEmpty());
    EXPECT_EQ(ModelString(kStrFirstFontName + 2), "32x32");
    EXPECT_EQ(ModelString(kStrNotProjectFile), QString::fromUtf16(u"不是KDX触屏工程文件\r\n"));
}
