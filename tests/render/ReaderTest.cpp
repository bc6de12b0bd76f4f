// The compiled-file reader: the messages for files that are not compiled
// files or are damaged, and damaged or hostile memory images behind a valid
// seal, which must give a message or a drawable image and never a read
// outside the file.
#include "tests/render/RenderTestSupport.h"

#include "common/ByteOrder.h"
#include "terminal/MemoryImageLayout.h"
#include "render/PageRenderer.h"
#include "render/TerminalSession.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>

#include <chrono>
#include <random>
#include <thread>

namespace kdx::testing {
namespace {

using render::TerminalImage;
using Bytes = std::vector<uint8_t>;

QString LoadError(const Bytes& file)
{
    QString error;
    auto image = TerminalImage::FromCompiledFile(file, &error);
    EXPECT_FALSE(image);
    return error;
}

// A compiled project with every kind of record, page data and two pages
// jumping to each other.
Bytes Sample(Workspace& workspace, int depth = 16)
{
    ProjectDesc project = SmallProject(depth, 80, 60);
    PageDesc home, second;
    home.pageId = 1;
    home.backgroundColor = Rgb(1, 2, 3);
    home.loadSend = SendDesc{5, {0xAA, 0x01}};
    home.unloadSend = SendDesc{6, {0xAA, 0x02}};
    ObjectDesc button = Shape("CDrawImage", 1, 2, 2, 22, 12);
    button.normalImage = workspace.SolidImage("n.png", 20, 10, Qt::red);
    button.pressedImage = workspace.SolidImage("p.png", 20, 10, Qt::blue);
    button.jumpTarget = 2;
    button.send = SendDesc{1, {1, 2, 3}};
    ObjectDesc text = Shape("CDrawText", 2, 0, 20, 80, 40);
    text.lineColor = Rgb(255, 255, 255);
    text.text = u"文字 A";
    ObjectDesc line = Shape("CDrawLine", 0, 0, 59, 79, 0);
    line.lineColor = Rgb(9, 9, 9);
    ObjectDesc round = Shape("CDrawRoundRect", 3, 40, 40, 60, 58);
    round.fillColor = Rgb(9, 200, 9);
    ObjectDesc ellipse = Shape("CDrawEllipse", 4, 60, 40, 79, 58);
    ellipse.lineColor = Rgb(9, 200, 200);
    ObjectDesc custom = Shape("CDrawCustom", 5, 0, 0, 10, 10);
    custom.executeCondition = 9;
    custom.send = SendDesc{2, {7}};
    home.objects = {button, text, line, round, ellipse, custom};
    second.pageId = 2;
    ObjectDesc back = Shape("CDrawRect", 6, 0, 0, 80, 60);
    back.lineColor = Rgb(0, 255, 0);
    back.jumpTarget = 1;
    second.objects = {back};
    project.pages = {home, second};
    return CompileToBytes(workspace, project);
}

TEST(CompiledFileReader, RefusedFilesGiveOneClearMessage)
{
    Workspace workspace;
    const Bytes sample = Sample(workspace);
    ASSERT_GT(sample.size(), FileHeader::kSize + 100);

    EXPECT_EQ(LoadError({}), QStringLiteral("不是KDX触屏工程编译文件"));
    EXPECT_EQ(LoadError(Bytes(sample.begin(), sample.begin() + FileHeader::kSize)),
              QStringLiteral("不是KDX触屏工程编译文件"));
    Bytes truncated(sample.begin(), sample.end() - 10);
    EXPECT_EQ(LoadError(truncated), QStringLiteral("文件已经损坏"));
    Bytes flipped = sample;
    flipped[FileHeader::kSize + 30] ^= 0x01;
    EXPECT_EQ(LoadError(flipped), QStringLiteral("文件已经损坏"));
    // A project file is not a compiled file.
    const Bytes project = BuildProjectFile(SmallProject(16));
    EXPECT_EQ(LoadError(project), QStringLiteral("不是KDX触屏工程编译文件"));

    // Through the file loader as well, with a missing file named.
    const std::string path = workspace.Path("empty.kdpbin");
    WriteBytes(path, {});
    QString error;
    EXPECT_FALSE(TerminalImage::LoadFile(QString::fromStdString(path), &error));
    EXPECT_EQ(error, QStringLiteral("不是KDX触屏工程编译文件"));
    EXPECT_FALSE(TerminalImage::LoadFile(QStringLiteral("/nonexistent/x.kdpbin"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent/x.kdpbin")));
}

TEST(CompiledFileReader, SampleReadsWithResolvedReferences)
{
    EnsureGuiApplication();
    Workspace workspace;
    const auto image = Load(Sample(workspace));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Width(), 80);
    EXPECT_EQ(image->Depth(), 16);
    ASSERT_EQ(image->Pages().size(), 2u);
    const render::Page& home = image->Pages()[0];
    ASSERT_GE(home.loadSend, 0);
    EXPECT_EQ(image->Sends()[size_t(home.loadSend)].bytes, QByteArray("\xAA\x01", 2));
    EXPECT_EQ(image->Sends()[size_t(home.loadSend)].tag, 5);
    bool sawText = false, sawButton = false;
    for (const render::Record& r : home.records) {
        if (r.drawType == image_layout::kDrawText) {
            sawText = true;
            EXPECT_EQ(image->Texts()[size_t(r.text)].text, u"文字 A");
        }
        if (r.drawType == image_layout::kDrawPicture) {
            sawButton = true;
            EXPECT_EQ(r.jumpPage, 1);
            EXPECT_EQ(image->Sends()[size_t(r.send)].bytes, QByteArray("\x01\x02\x03", 3));
        }
    }
    EXPECT_TRUE(sawText && sawButton);
}

// Pictures are converted when first drawn, from bytes the image keeps: the
// buffer it was read from may be gone by then, and threads may ask at once.
TEST(CompiledFileReader, PicturesAreConvertedLaterFromTheImagesOwnBytes)
{
    EnsureGuiApplication();
    Workspace workspace;
    Bytes file = Sample(workspace);
    const auto image = Load(file);
    ASSERT_TRUE(image);
    std::fill(file.begin(), file.end(), uint8_t(0x55));
    file = Bytes();

    int button = -1;
    const auto& records = image->Pages()[0].records;
    for (size_t i = 0; i < records.size(); ++i)
        if (records[i].drawType == image_layout::kDrawPicture)
            button = int(i);
    ASSERT_GE(button, 0);
    const render::Picture& picture = image->Pictures()[size_t(records[size_t(button)].picture)];
    ASSERT_TRUE(picture.HasPressedFrame());

    std::vector<qint64> keys(8);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < keys.size(); ++t)
        threads.emplace_back([&, t] { keys[t] = (t % 2 ? picture.Pressed() : picture.Normal()).cacheKey(); });
    for (std::thread& thread : threads)
        thread.join();
    for (size_t t = 2; t < keys.size(); ++t)
        EXPECT_EQ(keys[t], keys[t % 2]) << "each frame is converted once";
    EXPECT_NE(keys[0], keys[1]);

    EXPECT_EQ(render::RenderPage(*image, 0).pixelColor(10, 5), QColor(Qt::red));
    EXPECT_EQ(render::RenderPage(*image, 0, button).pixelColor(10, 5), QColor(Qt::blue));
}

TEST(CompiledFileReader, BadReferencesBehindAValidSealAreNamed)
{
    Workspace workspace;
    const Bytes sample = Sample(workspace);
    const size_t image = FileHeader::kSize;
    const uint32_t pageTable = LoadLE32(&sample[image + image_layout::kHeaderPageTable]);
    const uint32_t firstRecord = LoadLE32(&sample[image + pageTable + image_layout::kPageFirstRecord]);
    auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes copy = sample;
        std::copy(bytes.begin(), bytes.end(), copy.begin() + ptrdiff_t(at));
        SealBytes(copy);
        QString error;
        EXPECT_FALSE(TerminalImage::FromCompiledFile(copy, &error));
        return error;
    };
    EXPECT_TRUE(patched(image + image_layout::kHeaderPageCount, {0xFF, 0xFF, 0, 0}).contains(QStringLiteral("页面表")));
    EXPECT_TRUE(patched(image + pageTable + image_layout::kPageRecordCount, {0xFF, 0xFF})
                    .contains(QStringLiteral("第1页的绘图记录")));
    EXPECT_TRUE(patched(image + firstRecord, {0x07, 0}).contains(QStringLiteral("未知的绘图类型7")));
    // The second record (after the background colour) gets a jump to page 9.
    const size_t record = image + firstRecord + image_layout::kRecordSize;
    EXPECT_TRUE(patched(record + image_layout::kRecordJump, {9, 0}).contains(QStringLiteral("跳转目标页9不存在")));
    EXPECT_TRUE(patched(record + image_layout::kRecordSend, {0xF0, 0xFF, 0xFF, 0})
                    .contains(QStringLiteral("发送数据")));
    EXPECT_TRUE(patched(image + image_layout::kHeaderWidth, {0, 0}).contains(QStringLiteral("屏幕分辨率")));
}

// Loads and, when the load succeeds, draws every page and runs a touch on
// every record, so that anything the reader let through is used.
void Exercise(const Bytes& file)
{
    QString error;
    const auto image = TerminalImage::FromCompiledFile(file, &error);
    if (!image) {
        ASSERT_FALSE(error.isEmpty());
        return;
    }
    QImage screen(image->Width(), image->Height(), QImage::Format_RGB32);
    QPainter painter(&screen);
    render::TerminalSession session(image, {});
    session.Start();
    for (size_t page = 0; page < image->Pages().size(); ++page) {
        const auto& records = image->Pages()[page].records;
        render::RenderPage(painter, *image, int(page), records.empty() ? -1 : int(records.size() - 1));
        session.ShowPage(int(page));
        for (const render::Record& r : records) {
            session.Press(r.left, r.top, 0);
            session.Tick(5000);
            session.Release(5000);
            if (session.CurrentPage() != int(page))
                session.ShowPage(int(page));
        }
    }
}

TEST(CompiledFileReaderFuzz, EveryTruncationResealed)
{
    EnsureGuiApplication();
    Workspace workspace;
    const Bytes sample = Sample(workspace);
    // Pictures are most of the file; every cut in the structures before
    // them, then a stride through the rest.
    for (size_t n = FileHeader::kSize + 1; n < sample.size(); n += n < FileHeader::kSize + 600 ? 1 : 37) {
        Bytes cut(sample.begin(), sample.begin() + ptrdiff_t(n));
        SealBytes(cut);
        Exercise(cut);
    }
}

TEST(CompiledFileReaderFuzz, RandomMutationsResealed)
{
    EnsureGuiApplication();
    Workspace workspace;
    const Bytes sample = Sample(workspace, 24);
    std::mt19937 random(12345);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    int runs = 0;
    while (std::chrono::steady_clock::now() < deadline && runs < 4000) {
        Bytes mutated = sample;
        const int changes = 1 + int(random() % 8);
        for (int c = 0; c < changes; ++c) {
            // Mostly inside the structures, where counts and offsets live.
            const size_t span = random() % 4 ? std::min<size_t>(mutated.size(), FileHeader::kSize + 400) : mutated.size();
            const size_t at = FileHeader::kSize + random() % (span - FileHeader::kSize);
            switch (random() % 4) {
            case 0: mutated[at] ^= uint8_t(1u << (random() % 8)); break;
            case 1: mutated[at] = 0xFF; break;
            case 2: mutated[at] = 0; break;
            default: mutated[at] = uint8_t(random()); break;
            }
        }
        SealBytes(mutated);
        Exercise(mutated);
        ++runs;
    }
    EXPECT_GT(runs, 100);
}

TEST(CompiledFileReaderFuzz, RandomMemoryImages)
{
    EnsureGuiApplication();
    std::mt19937 random(777);
    for (int run = 0; run < 3000; ++run) {
        Bytes image(size_t(28 + random() % 300));
        for (uint8_t& b : image)
            b = uint8_t(random() % 3 == 0 ? random() % 4 : random());
        // Plausible header so that the walk goes past it.
        image[8] = 64, image[9] = 0, image[10] = 48, image[11] = 0;
        StoreLE32(&image[12], random() % 3);
        StoreLE32(&image[16], 28);
        StoreLE32(&image[20], random() % 2);
        StoreLE32(&image[24], uint32_t(random() % image.size()));
        QString error;
        if (const auto loaded = TerminalImage::FromMemoryImage(image, 16, &error))
            for (size_t page = 0; page < loaded->Pages().size(); ++page)
                render::RenderPage(*loaded, int(page));
        else
            ASSERT_FALSE(error.isEmpty());
    }
}

} // namespace
} // namespace kdx::testing
