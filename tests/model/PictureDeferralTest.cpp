// A document with a picture loader reads projects without decoding their
// pictures, asks for what a drawn page needs and takes the results back.
#include "model/PageDoc.h"
#include "tests/model/RecordingObserver.h"
#include "tests/support/ProjectBuilder.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <map>

namespace kdx::testing {
namespace {

class PictureDeferral : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.png", "b.png", "c.png"})
            QImage(40, 30, QImage::Format_RGB32).save(m_dir.filePath(name));
        m_project.header.width = 200;
        m_project.header.height = 100;
        PageDesc first;
        first.pageId = 1;
        first.backgroundImage = u"a.png";
        ObjectDesc small = Shape("CDrawImage", 1, 0, 0, 20, 10);
        small.normalImage = u"b.png";
        first.objects = {small};
        PageDesc second;
        second.pageId = 2;
        ObjectDesc large = Shape("CDrawImage", 2, 0, 0, 60, 50);
        large.normalImage = u"b.png";
        large.pressedImage = u"c.png";
        ObjectDesc missing = Shape("CDrawImage", 3, 0, 0, 5, 5);
        missing.normalImage = u"missing.png";
        second.objects = {large, missing};
        m_project.pages = {first, second};
        m_bytes = BuildProjectFile(m_project);

        m_doc.SetProjectFolder(m_dir.path());
        m_doc.SetPictureLoader([this](std::vector<CPageDoc::PictureRequest> requests) {
            m_requests.insert(m_requests.end(), requests.begin(), requests.end());
        });
        m_doc.AddObserver(&m_seen);
        ASSERT_FALSE(m_doc.LoadFromBytes(m_bytes));
    }

    const ImageEntry* Entry(const QString& path) const
    {
        for (const ImageEntry& entry : m_doc.ImageTable())
            if (entry.path == path)
                return &entry;
        return nullptr;
    }

    QTemporaryDir m_dir;
    ProjectDesc m_project;
    std::vector<uint8_t> m_bytes;
    CPageDoc m_doc;
    test::RecordingObserver m_seen;
    std::vector<CPageDoc::PictureRequest> m_requests;
};

TEST_F(PictureDeferral, ReadingDecodesNothingAndSavingKeepsThePaths)
{
    for (const ImageEntry& entry : m_doc.ImageTable()) {
        EXPECT_TRUE(entry.bitmap.isNull()) << entry.path.toStdString();
        EXPECT_EQ(entry.decoding, ImageEntry::Decoding::Waiting);
    }
    EXPECT_TRUE(m_seen.unreadablePictures.empty()); // the missing picture is told when it is asked for
    EXPECT_TRUE(m_requests.empty());
    EXPECT_EQ(m_doc.SaveToBytes(), m_bytes);
}

// The first page asks for its own pictures only, each once, at the largest
// size any page draws it.
TEST_F(PictureDeferral, APageAsksForItsPicturesAtTheirLargestSize)
{
    m_doc.RequestPictures(*m_doc.PageAt(0));
    ASSERT_EQ(m_requests.size(), 2u);
    std::map<QString, QSize> sizes;
    for (const auto& request : m_requests) {
        sizes[request.path] = request.size;
        EXPECT_EQ(request.file, m_dir.filePath(request.path));
    }
    EXPECT_EQ(sizes["a.png"], QSize(200, 100)); // background: the screen
    EXPECT_EQ(sizes["b.png"], QSize(60, 50));   // drawn larger on the second page
    m_doc.RequestPictures(*m_doc.PageAt(0));
    EXPECT_EQ(m_requests.size(), 2u); // asked once
    m_doc.RequestPictures(*m_doc.PageAt(1));
    EXPECT_EQ(m_requests.size(), 4u); // c.png and missing.png
}

TEST_F(PictureDeferral, DecodedPicturesAreTakenUnlessStale)
{
    m_doc.RequestPictures(*m_doc.PageAt(1));
    ASSERT_EQ(m_requests.size(), 3u);
    QImage bitmap(60, 50, QImage::Format_RGB888);
    bitmap.fill(Qt::red);
    m_seen.Clear();
    for (const auto& request : m_requests)
        m_doc.TakeDecodedPicture(request, request.path == "missing.png" ? QImage() : bitmap, PictureSource());
    EXPECT_EQ(Entry("b.png")->bitmap, bitmap);
    EXPECT_EQ(Entry("b.png")->decoding, ImageEntry::Decoding::Done);
    EXPECT_TRUE(Entry("missing.png")->bitmap.isNull());
    ASSERT_EQ(m_seen.unreadablePictures.size(), 1u);
    EXPECT_TRUE(m_seen.unreadablePictures[0].contains("missing.png"));
    EXPECT_FALSE(m_seen.updates.empty()); // the views repaint

    // Results for a project that has since been replaced are dropped.
    const std::vector<CPageDoc::PictureRequest> old = m_requests;
    ASSERT_FALSE(m_doc.LoadFromBytes(m_bytes));
    m_doc.TakeDecodedPicture(old[0], bitmap, PictureSource());
    for (const ImageEntry& entry : m_doc.ImageTable())
        EXPECT_TRUE(entry.bitmap.isNull()) << entry.path.toStdString();
}

} // namespace
} // namespace kdx::testing
