#include "RecordingObserver.h"
#include "tests/support/SampleFiles.h"

#include "common/Archive.h"
#include "common/ByteOrder.h"
#include "common/Crc32.h"
#include "model/ModelStrings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Tail(const Bytes& all, size_t from) { return Bytes(all.begin() + ptrdiff_t(from), all.end()); }

Bytes Utf16String(std::u16string_view s)
{
    ArchiveWriter w;
    w.String(s);
    return w.Data();
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::optional<int> LoadId(const Bytes& bytes)
{
    CPageDoc doc;
    doc.SetImageDecoding(false);
    std::optional<ProjectError> error = doc.LoadFromBytes(bytes);
    return error ? std::optional<int>(error->stringId) : std::nullopt;
}

Bytes Resealed(Bytes bytes)
{
    SealBytes(bytes);
    return bytes;
}

} // namespace

TEST(ProjectFile, EmptyProjectLayout)
{
    CPageDoc doc;
    Bytes bytes = doc.SaveToBytes();
    ASSERT_EQ(bytes.size(), 208u + 24u + 2u);
    FileHeader expected;
    auto header = expected.Bytes();
    EXPECT_TRUE(std::equal(header.begin(), header.begin() + 40, bytes.begin()));
    EXPECT_TRUE(std::equal(header.begin() + 44, header.end(), bytes.begin() + 44));
    EXPECT_EQ(LoadLE32(bytes.data() + 40), ComputeFileSeal(bytes));
    EXPECT_EQ(Tail(bytes, 208), (Bytes{24, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 0x80, 0x80, 0x80, 0,
                                       0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(CheckProjectFile(bytes), ProjectCheck::Ok);
}

TEST(ProjectFile, BarePageLayout)
{
    CPageDoc doc;
    CPage* page = doc.AddPage();
    doc.SetPageId(page, 0x0102);
    Bytes expected = Concat({{1, 0, 0x02, 0x01, 0, 0},
                             Utf16String(u"Page 1"),
                             {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0, 0, 0, 0, 0, 0}});
    EXPECT_EQ(Tail(doc.SaveToBytes(), 232), expected);
}

TEST(ProjectFile, SendDataCounts)
{
    CPageDoc doc;
    CPage* page = doc.AddPage();
    Bytes data(65535, 0x42);
    doc.SetPageLoadSend(page, data.data(), 65535);
    doc.SetPageUnloadSend(page, data.data(), 65534, 0x01020304);
    Bytes bytes = doc.SaveToBytes();
    const size_t at = 232 + 2 + 4 + Utf16String(u"Page 1").size() + 4 + 4;
    EXPECT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + 11),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0, 0, 0, 0, 0x42}));
    const size_t unload = at + 6 + 4 + 65535;
    EXPECT_EQ(Bytes(bytes.begin() + unload, bytes.begin() + unload + 7),
              (Bytes{0xFE, 0xFF, 0x04, 0x03, 0x02, 0x01, 0x42}));
}

TEST(ProjectFile, ObjectTagsAndForms)
{
    DocWithPage d;
    d.doc.view.lastObjectId = 0x10;
    auto* rect = d.Add<CDrawRect>(PageRect{1, 2, 3, 4});
    rect->SetLineColor(0x00112233);
    d.Add<CDrawImage>(PageRect{5, 6, 7, 8});
    d.Add<CDrawRect>(PageRect{0, 0, 1, 1});
    auto* line = d.Add<CDrawLine>(PageRect{0, 0, 0, 0});
    line->SetRect({100, 50, 10, 5});
    Bytes bytes = d.doc.SaveToBytes();
    size_t at = 232 + 2 + 4 + Utf16String(u"Page 1").size() + 4 + 4 + 2 + 2;
    EXPECT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + 2), (Bytes{4, 0}));
    at += 2;
    Bytes rectTag = {0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00, 'C', 'D', 'r', 'a', 'w', 'R', 'e', 'c', 't'};
    Bytes rectForm = {0x11, 0, 0, 0, 0x33, 0x22, 0x11, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
                      1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0, 0};
    Bytes imageTag = {0xFF, 0xFF, 0x01, 0x00, 0x0A, 0x00, 'C', 'D', 'r', 'a', 'w', 'I', 'm', 'a', 'g', 'e'};
    Bytes imageForm = {0x12, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0,
                       5, 0, 0, 0, 6, 0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 0, 0,
                       0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00};
    Bytes lineTag = {0xFF, 0xFF, 0x01, 0x00, 0x09, 0x00, 'C', 'D', 'r', 'a', 'w', 'L', 'i', 'n', 'e'};
    Bytes lineForm = {0xFF, 0xFF, 0xFF, 0xFF, 100, 0, 0, 0, 50, 0, 0, 0, 10, 0, 0, 0, 5, 0, 0, 0};
    Bytes expected = Concat({rectTag, rectForm, imageTag, imageForm, {0x01, 0x80}});
    EXPECT_EQ(Bytes(bytes.begin() + at, bytes.begin() + at + expected.size()), expected);
    at += expected.size() + 38;
    EXPECT_EQ(Tail(bytes, at), Concat({lineTag, lineForm}));

    // Read back: the line keeps its direction, bounds are normalised.
    CPageDoc again;
    ASSERT_FALSE(again.LoadFromBytes(bytes));
    const CDrawObj* readLine = again.PageAt(0)->Objects()[3].get();
    EXPECT_EQ(readLine->RawRect(), (PageRect{100, 50, 10, 5}));
    EXPECT_EQ(readLine->Bounds(), (PageRect{10, 5, 100, 50}));
}

TEST(ProjectFile, HandMadeFilesRoundTripByteForByte)
{
    const Bytes sample = SampleProject();
    CPageDoc doc;
    RecordingObserver seen;
    doc.AddObserver(&seen);
    ASSERT_FALSE(doc.LoadFromBytes(sample));
    EXPECT_EQ(doc.SaveToBytes(), sample);
    EXPECT_FALSE(seen.unreadablePictures.empty()); // the pictures are missing, the paths kept

    const CPage* first = doc.PageAt(0);
    EXPECT_EQ(first->BackgroundColor(), 0x00FF00u);
    ASSERT_NE(first->BackgroundImage(), nullptr);
    EXPECT_EQ(first->UnloadSend()->bytes.size(), 65535u);
    EXPECT_EQ(first->UnloadSend()->tag, 0x22u);
    // The rectangle's data equals the page's load data except for the tag.
    EXPECT_NE(first->Objects()[1]->SendData(), first->LoadSend());
    auto* text = dynamic_cast<const CDrawText*>(first->Objects()[4].get());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text(), u"中文\t第一行\r\n第二\n行");
    EXPECT_EQ(text->TabSize(), 0); // taken as read
    EXPECT_EQ(text->FontId(), 7u);

    // 8-bit strings and null objects come back in the plain form.
    CPageDoc variant;
    ASSERT_FALSE(variant.LoadFromBytes(SampleProject(true)));
    EXPECT_EQ(variant.SaveToBytes(), sample);
}

TEST(ProjectFile, LoadChecksInOrder)
{
    Bytes good = SealedProject({0, 0});
    EXPECT_EQ(LoadId(good), std::nullopt);
    EXPECT_EQ(LoadId({}), std::nullopt); // an empty file is an empty project

    EXPECT_EQ(LoadId(Bytes(good.begin(), good.begin() + 100)), kStrNotProjectFile);
    EXPECT_EQ(LoadId(Bytes(good.begin(), good.begin() + 208)), kStrFileDamaged);

    Bytes compiled = good;
    StoreLE32(compiled.data() + 20, 2);
    EXPECT_EQ(LoadId(Resealed(compiled)), kStrNotProjectFile);

    Bytes version = good;
    StoreLE32(version.data() + 24, 0x00010001);
    EXPECT_EQ(LoadId(version), kStrBadVersion); // before the seal is looked at

    Bytes damaged = good;
    damaged[44] ^= 1;
    EXPECT_EQ(LoadId(damaged), kStrFileDamaged);
    Bytes depth8 = good;
    StoreLE32(depth8.data() + 32, 8);
    EXPECT_EQ(LoadId(depth8), kStrFileDamaged); // the seal first
    EXPECT_EQ(LoadId(Resealed(depth8)), kStrBadColorDepth);
    EXPECT_EQ(LoadId(SealedProject({0, 0}, 24)), std::nullopt);

    Bytes badView = good;
    badView[208] = 20;
    EXPECT_EQ(LoadId(Resealed(badView)), kStrBadVersion);
    EXPECT_EQ(LoadId(Resealed(Bytes(good.begin(), good.begin() + 220))), kStrBadVersion);

    // Damage behind the view settings is an error of the contents.
    EXPECT_EQ(LoadId(Resealed(Bytes(good.begin(), good.begin() + 233))), kStrCannotReadContent);
}

TEST(ProjectFile, ContentErrorsSayWhereAndLeaveNothingBehind)
{
    CPageDoc doc;
    ASSERT_FALSE(doc.LoadFromBytes(SampleProject()));
    ASSERT_EQ(doc.PageCount(), 2u);

    Bytes sample = SampleProject();
    std::optional<ProjectError> error = doc.LoadFromBytes(Resealed(Bytes(sample.begin(), sample.end() - 3)));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stringId, kStrCannotReadContent);
    EXPECT_TRUE(error->Text().contains(QString::fromUtf16(u"第 2 页"))) << error->Text().toStdString();
    EXPECT_TRUE(error->Text().contains(QString::fromUtf16(u"第 2 个对象"))) << error->Text().toStdString();
    EXPECT_TRUE(error->Text().contains(QString::fromUtf16(u"文件意外结束")));
    EXPECT_EQ(doc.PageCount(), 0u);
    EXPECT_TRUE(doc.ImageTable().empty());
    EXPECT_TRUE(doc.TextTable().empty());
    EXPECT_TRUE(doc.SendDataTable().empty());
    EXPECT_FALSE(doc.IsModified());

    ArchiveWriter page;
    page.Count(1);
    page.U32(0);
    page.String(u"p");
    page.U32(0xFFFFFFFF);
    page.String(u"");
    page.Count(0);
    page.Count(0);
    page.Count(1);
    page.ObjectTag("CDrawFoo");
    error = doc.LoadFromBytes(SealedProject(page.Data()));
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->Text().contains("CDrawFoo"));

    // Counts larger than the file are refused before anything is read.
    error = doc.LoadFromBytes(SealedProject({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stringId, kStrCannotReadContent);
}

TEST(ProjectFile, MissingImagesKeepTheirPaths)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage picture(8, 8, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 255, 128));
    ASSERT_TRUE(picture.save(dir.filePath("button.png")));

    DocWithPage d;
    d.doc.SetProjectFolder(dir.path());
    auto* image = d.Add<CDrawImage>();
    image->SetNormalImage("button.png"); // relative to the project folder
    ASSERT_NE(image->NormalImage(), nullptr);
    EXPECT_FALSE(image->NormalImage()->bitmap.isNull());
    const QString project = dir.filePath("p.kdp");
    ASSERT_FALSE(d.doc.SaveProject(project));
    const Bytes saved = ReadFileBytes(project.toStdString());

    // Opened elsewhere with its picture: found beside the project.
    QTemporaryDir moved;
    ASSERT_TRUE(QFile::copy(project, moved.filePath("p.kdp")));
    ASSERT_TRUE(QFile::copy(dir.filePath("button.png"), moved.filePath("button.png")));
    CPageDoc reopened;
    ASSERT_FALSE(reopened.OpenProject(moved.filePath("p.kdp")));
    auto* readImage = dynamic_cast<const CDrawImage*>(reopened.PageAt(0)->Objects()[0].get());
    ASSERT_TRUE(readImage && readImage->NormalImage());
    EXPECT_FALSE(readImage->NormalImage()->bitmap.isNull());

    // Without the picture: a notice, no bitmap, and the path survives a save.
    QFile::remove(dir.filePath("button.png"));
    CPageDoc missing;
    RecordingObserver seen;
    missing.AddObserver(&seen);
    ASSERT_FALSE(missing.OpenProject(project));
    ASSERT_EQ(seen.unreadablePictures.size(), 1u);
    readImage = dynamic_cast<const CDrawImage*>(missing.PageAt(0)->Objects()[0].get());
    ASSERT_TRUE(readImage && readImage->NormalImage());
    EXPECT_TRUE(readImage->NormalImage()->bitmap.isNull());
    EXPECT_EQ(missing.SaveToBytes(), saved);
}

TEST(ProjectFile, FailedSaveLeavesTheOldFile)
{
    QTemporaryDir dir;
    DocWithPage d;
    const QString path = dir.filePath("keep.kdp");
    ASSERT_FALSE(d.doc.SaveProject(path));
    const Bytes old = ReadFileBytes(path.toStdString());
    EXPECT_FALSE(d.doc.IsModified());

    // A write that fails part-way (file size limit) must not touch the old file.
    Bytes big(60000, 1);
    d.doc.SetPageLoadSend(d.page, big.data(), int(big.size()));
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    setrlimit(RLIMIT_FSIZE, &small);
    std::optional<ProjectError> error = d.doc.SaveProject(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stringId, kStrCannotSaveFile);
    EXPECT_TRUE(error->Text().contains(path));
    EXPECT_EQ(ReadFileBytes(path.toStdString()), old);
    EXPECT_TRUE(d.doc.IsModified());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"keep.kdp"}); // no leftovers

    // A folder that cannot be written (only where permissions bind).
    if (geteuid() != 0) {
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        error = d.doc.SaveProject(path);
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->stringId, kStrCannotSaveFile);
        EXPECT_EQ(ReadFileBytes(path.toStdString()), old);
    }

    error = d.doc.SaveProject(dir.filePath("no/such/folder/x.kdp"));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stringId, kStrCannotSaveFile);
}

TEST(ProjectFile, OpenReportsUnreadableFiles)
{
    CPageDoc doc;
    std::optional<ProjectError> error = doc.OpenProject("/nonexistent/x.kdp");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stringId, kStrCannotReadFile);
    EXPECT_TRUE(error->Text().startsWith(QString::fromUtf16(u"无法打开文件 /nonexistent/x.kdp：")));
}
