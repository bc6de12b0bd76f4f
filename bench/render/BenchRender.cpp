// Benchmark of drawing one terminal page: a generated 480 x 272 project
// whose page has 500 records: 20 pictures of the whole screen (each its own
// picture block), 60 texts and 180 shapes, each of these in a colour of its
// own and so preceded by a colour record.
// Prints the time per page (goal: at most 1/60 s) and its ratio to the
// baseline measured in the same run: one QPainter::drawImage of a whole
// screen image per picture, that is 20 copies of 480 x 272 pixels.
// Usage: bench_render [rounds]
#include "compile/CompileProject.h"
#include "compile/CompileReporter.h"
#include "render/PageRenderer.h"
#include "render/TerminalImage.h"
#include "tests/support/ProjectBuilder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace kdx::bench {
namespace {

constexpr int kWidth = 480, kHeight = 272;
constexpr int kPictures = 20, kTexts = 60, kShapes = 180;

class QuietReporter : public CompileReporter {
public:
    void EmitMessage(std::u16string_view) override {}
    void CheckCancel() override {}
};

std::vector<uint8_t> BuildCompiledFile(const QTemporaryDir& dir)
{
    using namespace kdx::testing;
    ProjectDesc project;
    project.header.width = kWidth;
    project.header.height = kHeight;
    project.header.colorDepth = 16;
    PageDesc page;
    uint32_t id = 1;
    for (int i = 0; i < kPictures; ++i) {
        QImage picture(kWidth, kHeight, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv(i * 17 % 360, 200, 200));
        QPainter(&picture).fillRect(i * 10, i * 5, 100, 60, Qt::white);
        const QString path = dir.filePath(QStringLiteral("p%1.png").arg(i));
        picture.save(path);
        ObjectDesc o = Shape("CDrawImage", id++, 0, 0, kWidth, kHeight);
        o.normalImage = path.toStdU16String();
        page.objects.push_back(o);
    }
    const char* kinds[] = {"CDrawRect", "CDrawRoundRect", "CDrawEllipse", "CDrawLine"};
    for (int i = 0; i < kShapes; ++i) {
        const int x = (i * 37) % (kWidth - 60), y = (i * 23) % (kHeight - 40);
        ObjectDesc o = Shape(kinds[i % 4], id++, x, y, x + 20 + i % 40, y + 10 + i % 30);
        const uint32_t colour = uint32_t(0x010203 * (i + 1)) & 0xFFFFFF;
        if (i % 2)
            o.lineColor = colour;
        else
            o.fillColor = colour;
        o.lineColor = o.className == std::string("CDrawLine") ? colour : o.lineColor;
        o.extra = 6;
        page.objects.push_back(o);
    }
    const char16_t* samples[] = {u"温度 25.0℃", u"Status OK", u"设定值：100", u"报警"};
    for (int i = 0; i < kTexts; ++i) {
        const int x = (i * 53) % (kWidth - 160), y = (i * 29) % (kHeight - 40);
        ObjectDesc o = Shape("CDrawText", id++, x, y, x + 160, y + 34);
        o.lineColor = uint32_t(0x030201 * (i + 1) + 0x80) & 0xFFFFFF;
        o.fontId = 1 + i % 3;
        o.text = samples[i % 4];
        page.objects.push_back(o);
    }
    project.pages = {page};
    const std::string source = dir.filePath("bench.kdp").toStdString();
    const std::string output = dir.filePath("bench.kdpbin").toStdString();
    WriteBytes(source, BuildProjectFile(project));
    QuietReporter reporter;
    CompileProject compile(reporter);
    compile.LoadProject(source);
    compile.Optimize();
    compile.BuildMemoryImage();
    compile.Relocate();
    compile.WriteOutput(output);
    std::ifstream in(output, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The best of 'rounds' runs of 'work', in milliseconds.
template <typename Work>
double BestMs(int rounds, Work work)
{
    double best = 1e300;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace
} // namespace kdx::bench

int main(int argc, char** argv)
{
    using namespace kdx;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    QTemporaryDir dir;
    const std::vector<uint8_t> file = bench::BuildCompiledFile(dir);
    QString error;
    const auto image = render::TerminalImage::FromCompiledFile(file, &error);
    if (!image) {
        std::fprintf(stderr, "bench_render: %s\n", error.toUtf8().constData());
        return 1;
    }
    const size_t records = image->Pages()[0].records.size();

    QImage screen(bench::kWidth, bench::kHeight, QImage::Format_RGB32);
    QPainter painter(&screen);
    render::RenderPage(painter, *image, 0); // fonts and caches warmed up
    const double pageMs = bench::BestMs(rounds, [&] { render::RenderPage(painter, *image, 0); });

    const double baselineMs = bench::BestMs(rounds, [&] {
        for (int i = 0; i < bench::kPictures; ++i)
            painter.drawImage(QPoint(0, 0), image->Pictures()[size_t(i)].Normal());
    });

    std::printf("page of %zu records (%d pictures of %d x %d, %d texts, %d shapes), best of %d rounds\n", records,
                bench::kPictures, bench::kWidth, bench::kHeight, bench::kTexts, bench::kShapes, rounds);
    std::printf("  time per page:             %8.3f ms (goal at most %.3f ms, 1/60 s)%s\n", pageMs, 1000.0 / 60,
                pageMs <= 1000.0 / 60 ? "" : "  ** over the goal **");
    std::printf("  baseline, %d drawImage:    %8.3f ms\n", bench::kPictures, baselineMs);
    std::printf("  ratio page / baseline:     %8.2f\n", pageMs / baselineMs);
    return 0;
}
