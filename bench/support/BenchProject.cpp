#include "bench/support/BenchProject.h"

#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>

namespace kdx::bench {

using testing::ObjectDesc;
using testing::PageDesc;
using testing::ProjectDesc;

namespace {


// Photographs compress poorly and decode slowly; smooth gradients with noise
// come closer to them than flat colours do.
QImage MakeImage(int index)
{
    const int w = 800 + (1920 - 800) * index / (kBenchImages - 1);
    const int h = 480 + (1080 - 480) * index / (kBenchImages - 1);
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(uint32_t(index + 1));
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x * 255 / w + noise) & 0xFF, (y * 255 / h + index * 3) & 0xFF, ((x ^ y) + noise) & 0xFF);
        }
    }
    return image;
}

} // namespace

std::vector<QString> MakeImageFiles(const QDir& dir)
{
    std::vector<QString> files;
    for (int i = 0; i < kBenchImages; ++i) {
        const QString path = dir.filePath(QString("image%1.%2").arg(i).arg(i % 2 ? "jpg" : "png"));
        if (!QFileInfo::exists(path))
            MakeImage(i).save(path, nullptr, i % 2 ? 85 : -1);
        files.push_back(path);
    }
    return files;
}

namespace {

ObjectDesc MakeObject(int page, int slot, int pages, const std::vector<QString>& images)
{
    static const int sizes[][2] = {{100, 60}, {160, 96}, {200, 120}, {64, 64}, {320, 180}};
    static const char* kinds[] = {"CDrawImage", "CDrawText", "CDrawLine", "CDrawRect", "CDrawImage",
                                  "CDrawRoundRect", "CDrawEllipse", "CDrawCustom", "CDrawImage", "CDrawText"};
    const int n = page * kBenchObjectsPerPage + slot;
    const int x = (slot % 5) * 150, y = (slot / 5) * 110;
    ObjectDesc o = testing::Shape(kinds[slot % 10], uint32_t(n + 1), x, y, x + 120, y + 80);
    o.lineColor = (slot % 3) ? uint32_t(0x10204 * (n % 50)) : 0xFFFFFFFF;
    o.fillColor = 0x00FF8040;
    o.jumpTarget = slot == 0 ? uint32_t((page + 1) % pages) : 0xFFFF;
    o.executeCondition = uint32_t(n % 16);
    if (slot % 4 == 1)
        o.send = testing::SendDesc{uint32_t(n % 7), std::vector<uint8_t>(size_t(8 + n % 40), uint8_t(n))};
    o.extra = uint32_t(slot);
    if (o.className == "CDrawImage") {
        const int k = (page * 3 + slot) % 200;
        o.right = x + sizes[k % 5][0];
        o.bottom = y + sizes[k % 5][1];
        o.normalImage = images[size_t(k % kBenchImages)].toStdU16String();
        o.pressedImage = images[size_t((k + 7) % kBenchImages)].toStdU16String();
    } else if (o.className == "CDrawText") {
        o.text = u"第" + QString::number(page).toStdU16String() + u"页\r\n\t温度：25℃\r\nline three";
        o.tabSize = 4;
        o.bottom = y + 50;
    }
    return o;
}

} // namespace

ProjectDesc MakeProject(const std::vector<QString>& images, int pages)
{
    ProjectDesc project;
    project.header.width = kBenchScreenWidth;
    project.header.height = kBenchScreenHeight;
    project.header.colorDepth = 16;
    for (int p = 0; p < pages; ++p) {
        PageDesc page;
        page.pageId = uint32_t(p);
        page.name = u"Page " + QString::number(p + 1).toStdU16String();
        if (p % 5 == 4)
            page.backgroundColor = 0x202020;
        else
            page.backgroundImage = images[size_t(p % kBenchImages)].toStdU16String();
        for (int s = 0; s < kBenchObjectsPerPage; ++s)
            page.objects.push_back(MakeObject(p, s, pages, images));
        project.pages.push_back(std::move(page));
    }
    return project;
}

} // namespace kdx::bench
