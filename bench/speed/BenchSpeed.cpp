// Benchmark of what an engineer waits for on a large project, in one run, on
// the generated 300-page project and its 30-page cut:
//   cold compile        `kdx compile` with an empty frame cache
//   recompile           `kdx compile` after moving one object (warm cache)
//   edit -> see         from starting `kdx compile` to KDX_TS's window showing
//                       the reloaded file (the simulator's own ImageLoaded
//                       signal, headless, in this process)
//   editor window       KDX_TE's main window shown (a child process)
//   editor first page   the first page drawn, and the editor's memory then
//   render all pages    `kdx render` of every page
// Each is the median of several runs, printed with its ratio to the 30-page
// project and to the cold compile of the same project.
// Usage: bench_speed [work folder]   (images there are kept and reused)
#include "app/frame/CAppFrame.h"
#include "app/frame/CEditorApp.h"
#include "app/page/CPageView.h"
#include "app/page/PictureLoader.h"
#include "bench/support/BenchProject.h"
#include "sim/ScreenView.h"
#include "sim/SimulatorWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace kdx::bench {
namespace {

constexpr int kSmallPages = 30;
constexpr int kColdRuns = 3;
constexpr int kRuns = 5;
constexpr int kTimeoutMs = 120000;

QString g_binDir;

double Median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

// Seconds a program of this build takes, or -1 when it fails.
double TimeProgram(const QString& program, const QStringList& args, const QString& cacheHome)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(g_binDir + "/" + program, args);
    process.waitForFinished(kTimeoutMs);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 ? seconds : -1;
}

struct Project {
    int pages = 0;
    QString folder;
    QString file;
    QString output;
    QString cacheHome;
    testing::ProjectDesc desc;

    // Moves one picture object by a pixel, back and forth, and saves.
    void MoveOneObject()
    {
        testing::ObjectDesc& object = desc.pages[0].objects[0];
        const int step = object.left % 2 ? -1 : 1;
        object.left += step;
        object.right += step;
        testing::WriteBytes(file.toStdString(), testing::BuildProjectFile(desc));
    }
    double Compile() const { return TimeProgram("kdx", {"compile", file, output}, cacheHome); }
};

struct Results {
    double cold = -1, recompile = -1, editSee = -1, window = -1, firstPage = -1, render = -1;
    long editorKiB = -1;
};

double ColdCompile(const Project& project)
{
    std::vector<double> runs;
    for (int i = 0; i < kColdRuns; ++i) {
        QDir(project.cacheHome).removeRecursively();
        runs.push_back(project.Compile());
    }
    return Median(runs);
}

double Recompile(Project& project)
{
    project.Compile(); // the cache holds every frame now
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        project.MoveOneObject();
        runs.push_back(project.Compile());
    }
    return Median(runs);
}

// The simulator runs here, offscreen; each run moves an object, starts the
// compile and waits for the simulator to run the new file and draw it.
double EditCompileSee(Project& project)
{
    qputenv("XDG_CACHE_HOME", project.cacheHome.toLocal8Bit());
    sim::SimulatorWindow window;
    if (!window.OpenFile(project.output))
        return -1;
    window.show();
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        project.MoveOneObject();
        QEventLoop loop;
        QElapsedTimer timer;
        double seen = -1;
        auto connection = QObject::connect(&window, &sim::SimulatorWindow::ImageLoaded, &loop, [&] {
            window.Screen()->repaint();
            seen = double(timer.nsecsElapsed()) / 1e9;
            loop.quit();
        });
        QProcess compile;
        timer.start();
        compile.start(g_binDir + "/kdx", {"compile", project.file, project.output});
        QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(connection);
        compile.waitForFinished(kTimeoutMs);
        if (seen < 0)
            return -1;
        runs.push_back(seen);
        // Lets late notifications of this run pass before the next begins.
        QEventLoop settle;
        QTimer::singleShot(500, &settle, &QEventLoop::quit);
        settle.exec();
    }
    return Median(runs);
}

// The child's side of the editor measurement: opens the project as KDX_TE
// does and prints when the window is shown and when the page is first drawn.
int EditorChild(int argc, char** argv, const QString& project)
{
    QElapsedTimer timer;
    timer.start();
    CEditorApp::InitProcess();
    QApplication app(argc, argv);
    CEditorApp::InitApplication(app);
    CAppFrame frame;
    PictureLoader pictures(frame.Document());
    auto* pageView = new CPageView(frame.Document());
    frame.SetPageView(pageView);
    // The first page counts as drawn when a paint of the opened project
    // finds all its pictures in.
    struct FirstPaint : QObject {
        QElapsedTimer* timer;
        CAppFrame* frame;
        CPageDoc* doc;
        bool seen = false;
        bool PicturesIn() const
        {
            const CPage* page = doc->CurrentPage();
            if (frame->PathName().isEmpty())
                return false;
            if (!page)
                return false;
            auto in = [](const ImageEntry* e) { return !e || e->decoding == ImageEntry::Decoding::Done; };
            bool all = in(page->BackgroundImage());
            for (const auto& object : page->Objects())
                if (const auto* picture = dynamic_cast<const CDrawImage*>(object.get()))
                    all = all && in(picture->NormalImage()) && in(picture->PressedImage());
            return all;
        }
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint && !seen && PicturesIn()) {
                seen = true;
                QTimer::singleShot(0, [this] {
                    std::printf("first-page %.4f %ld\n", double(timer->nsecsElapsed()) / 1e9, ResidentKiB());
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            }
            return false;
        }
    } firstPaint;
    firstPaint.timer = &timer;
    firstPaint.frame = &frame;
    firstPaint.doc = &frame.Document();
    pageView->installEventFilter(&firstPaint);
    for (QWidget* child : pageView->findChildren<QWidget*>())
        child->installEventFilter(&firstPaint);
    CEditorApp::ShowAndOpen(frame, {QStringLiteral("KDX_TE"), project});
    std::printf("window %.4f\n", double(timer.nsecsElapsed()) / 1e9);
    std::fflush(stdout);
    return QApplication::exec();
}

void EditorOpen(const Project& project, Results& results, const QString& self)
{
    std::vector<double> windows, pages;
    std::vector<double> memory;
    for (int i = 0; i < kColdRuns; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), project.cacheHome);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        child.start(self, {QStringLiteral("--editor-child"), project.file});
        if (!child.waitForFinished(kTimeoutMs))
            child.kill();
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.front() == "window" && parts.size() >= 2)
                windows.push_back(parts[1].toDouble());
            else if (parts.front() == "first-page" && parts.size() >= 3) {
                pages.push_back(parts[1].toDouble());
                memory.push_back(parts[2].toDouble());
            }
        }
    }
    results.window = Median(windows);
    results.firstPage = Median(pages);
    results.editorKiB = long(Median(memory));
}

double RenderAll(const Project& project)
{
    std::vector<double> runs;
    for (int i = 0; i < kColdRuns; ++i) {
        QTemporaryDir out;
        runs.push_back(TimeProgram("kdx", {"render", project.output, out.filePath("page.png")}, project.cacheHome));
    }
    return Median(runs);
}

Results Measure(Project& project, const QString& self)
{
    Results results;
    std::printf("%d pages: cold compile ...\n", project.pages);
    std::fflush(stdout);
    results.cold = ColdCompile(project);
    std::printf("%d pages: recompile ...\n", project.pages);
    std::fflush(stdout);
    results.recompile = Recompile(project);
    std::printf("%d pages: edit -> compile -> see ...\n", project.pages);
    std::fflush(stdout);
    results.editSee = EditCompileSee(project);
    std::printf("%d pages: editor open ...\n", project.pages);
    std::fflush(stdout);
    EditorOpen(project, results, self);
    std::printf("%d pages: render all pages ...\n", project.pages);
    std::fflush(stdout);
    results.render = RenderAll(project);
    return results;
}

void PrintRow(const char* name, double small, double large, double largeCold, const char* goal)
{
    auto ratio = [](double a, double b) { return a > 0 && b > 0 ? a / b : -1.0; };
    std::printf("%-20s %9.3f s %9.3f s %8.2f %8.2f   %s\n", name, small, large, ratio(large, small),
                ratio(large, largeCold), goal);
}

int Main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--editor-child") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return EditorChild(argc, argv, QString::fromLocal8Bit(argv[2]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_binDir = QCoreApplication::applicationDirPath();
    QTemporaryDir temp;
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path());
    QDir().mkpath(dir.path());
    std::printf("generating %d images in %s ...\n", kBenchImages, qPrintable(dir.path()));
    std::fflush(stdout);
    const std::vector<QString> images = MakeImageFiles(dir);

    std::vector<Project> projects;
    for (int pages : {kSmallPages, kBenchPages}) {
        Project project;
        project.pages = pages;
        project.file = dir.filePath(QStringLiteral("speed%1.kdp").arg(pages));
        project.output = dir.filePath(QStringLiteral("speed%1.kdpbin").arg(pages));
        project.cacheHome = dir.filePath(QStringLiteral("cache%1").arg(pages));
        project.desc = MakeProject(images, pages);
        testing::WriteBytes(project.file.toStdString(), testing::BuildProjectFile(project.desc));
        projects.push_back(std::move(project));
    }
    const QString self = QCoreApplication::applicationFilePath();
    const Results small = Measure(projects[0], self);
    const Results large = Measure(projects[1], self);

    std::printf("\n%-20s %11s %11s %8s %8s   %s\n", "median of runs", "30 pages", "300 pages", "/30", "/cold",
                "goal (300 pages)");
    PrintRow("cold compile", small.cold, large.cold, large.cold, "");
    PrintRow("recompile", small.recompile, large.recompile, large.cold, "<= 0.150 s and <= 0.2 of cold");
    PrintRow("edit -> see", small.editSee, large.editSee, large.cold, "<= 0.250 s");
    PrintRow("editor window", small.window, large.window, large.cold, "<= 0.100 s");
    PrintRow("editor first page", small.firstPage, large.firstPage, large.cold, "<= 0.250 s");
    PrintRow("render all pages", small.render, large.render, large.cold, "<= 3 s");
    std::printf("%-20s %9.1f M %9.1f M %8.2f %8s   %s\n", "editor memory", double(small.editorKiB) / 1024,
                double(large.editorKiB) / 1024, double(large.editorKiB) / double(std::max(1L, small.editorKiB)), "",
                "<= 120 MiB after the first page");
    std::printf("(-1 marks a step that failed)\n");
    return 0;
}

} // namespace
} // namespace kdx::bench

int main(int argc, char** argv) { return kdx::bench::Main(argc, argv); }
