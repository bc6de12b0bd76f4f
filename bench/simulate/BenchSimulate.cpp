// Benchmark of "kdx simulate": the example project compiled in memory, then
// a script of 10,000 touches that walk its pages through their buttons and
// check every page, parsed and run in virtual time.
// Prints the script's time, its ratio to the baseline measured in the same
// run (the same touches given to the terminal session directly, without a
// script) and its share of the one-second budget for 10,000 touches.
// Usage: bench_simulate [touches]
#include "compile/CompileProject.h"
#include "compile/CompileReporter.h"
#include "render/ScriptRunner.h"
#include "render/TerminalImage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace kdx;

class QuietReporter : public CompileReporter {
public:
    void EmitMessage(std::u16string_view) override {}
    void CheckCancel() override {}
};

// A round through the example: home › shapes › home › texts › home ›
// settings (touching its areas) › home; each touch as x, y, hold.
struct Touch {
    int x, y, hold;
};
constexpr Touch kRound[] = {{100, 190, 0},  {400, 246, 300}, {240, 190, 0}, {400, 246, 0},
                            {380, 190, 0},  {64, 84, 0},     {120, 170, 300}, {300, 170, 1000},
                            {400, 246, 0}};

QByteArray ScriptOf(int touches)
{
    QByteArray script;
    for (int i = 0; i < touches; ++i) {
        const Touch& t = kRound[size_t(i) % std::size(kRound)];
        script += "touch " + QByteArray::number(t.x) + ' ' + QByteArray::number(t.y) + ' ' + QByteArray::number(t.hold) + '\n';
        script += "expect page 0\n"; // fails on most lines: failures are reported too
    }
    return script;
}

double RunScript(const std::shared_ptr<const render::TerminalImage>& image, const QByteArray& text, int* failures)
{
    QElapsedTimer timer;
    timer.start();
    render::Script script;
    if (render::ParseScript(text, script))
        std::exit(1);
    render::ScriptRunner runner(script);
    runner.RunHeadless(image);
    *failures = runner.FailureCount();
    return double(timer.nsecsElapsed()) / 1e6;
}

double RunDirect(const std::shared_ptr<const render::TerminalImage>& image, int touches)
{
    QElapsedTimer timer;
    timer.start();
    int sent = 0;
    render::TerminalSession::Listener listener;
    listener.sent = [&sent](const render::SentBlock&) { ++sent; };
    render::TerminalSession session(image, listener);
    session.Start();
    int64_t now = 0;
    for (int i = 0; i < touches; ++i) {
        const Touch& t = kRound[size_t(i) % std::size(kRound)];
        session.Press(t.x, t.y, now);
        now += t.hold;
        session.Tick(now);
        session.Release(now);
    }
    return double(timer.nsecsElapsed()) / 1e6 + (sent < 0 ? 1 : 0);
}

} // namespace

int main(int argc, char** argv)
{
    const int touches = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir dir;
    const std::string out = dir.filePath(QStringLiteral("demo.kdpbin")).toStdString();
    QuietReporter reporter;
    CompileProject compile(reporter);
    compile.LoadProject(KDX_SOURCE_DIR "/examples/demo/demo.kdp");
    compile.Optimize();
    compile.BuildMemoryImage();
    compile.Relocate();
    compile.WriteOutput(out);
    QString error;
    const auto image = render::TerminalImage::LoadFile(QString::fromStdString(out), &error);
    if (!image) {
        std::fprintf(stderr, "bench_simulate: %s\n", error.toUtf8().constData());
        return 1;
    }
    const QByteArray script = ScriptOf(touches);
    int failures = 0;
    const double scriptMs = RunScript(image, script, &failures);
    const double directMs = RunDirect(image, touches);
    std::printf("touches: %d (script of %lld bytes, %d failed expectations reported)\n", touches,
                static_cast<long long>(script.size()), failures);
    std::printf("script run:            %10.2f ms\n", scriptMs);
    std::printf("session directly:      %10.2f ms\n", directMs);
    std::printf("script / direct:       %10.2f\n", scriptMs / std::max(directMs, 1e-3));
    std::printf("script / budget (1 s for 10,000 touches): %.4f\n", scriptMs / (1000.0 * touches / 10000.0));
    return 0;
}
