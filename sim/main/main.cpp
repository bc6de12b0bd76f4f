// KDX_TS: shows and runs a compiled project as a terminal would.
//   KDX_TS [FILE.kdpbin] [--script SCRIPT] [--port DEVICE --baud N] [--listen [--depth 16|24]] [--zoom 1|2|3]
// Without a file it opens the editor's last compiled file, or asks for one.
#include "common/ProgramInfo.h"
#include "common/QtTranslations.h"
#include "sim/ScriptPlayer.h"
#include "sim/SimulatorWindow.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <memory>

namespace {

struct Options {
    QString file;
    QString port;
    int baud = 115200;
    bool listen = false;
    int depth = 16;
    int zoom = 1;
    QString script;
};

constexpr const char* kUsage =
    "usage: KDX_TS [FILE.kdpbin] [--script SCRIPT] [--port DEVICE [--baud N]] [--listen [--depth 16|24]] [--zoom 1|2|3]\n"
    "The terminal simulator: runs a compiled file as the terminal does. --script plays a test script of\n"
    "\"kdx simulate\" visibly; --port sends the bytes also out of a serial port; --listen answers uploads\n"
    "on a pseudo-terminal.\n";

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

bool ParseArguments(const QStringList& args, Options* options)
{
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (arg == QLatin1String("--listen")) {
            options->listen = true;
        } else if (arg == QLatin1String("--script") && hasValue) {
            options->script = args[++i];
        } else if (arg == QLatin1String("--port") && hasValue) {
            options->port = args[++i];
        } else if (arg == QLatin1String("--baud") && hasValue) {
            options->baud = args[++i].toInt(&ok);
            ok = ok && options->baud > 0;
        } else if (arg == QLatin1String("--depth") && hasValue) {
            options->depth = args[++i].toInt(&ok);
            ok = ok && (options->depth == 16 || options->depth == 24);
        } else if (arg == QLatin1String("--zoom") && hasValue) {
            options->zoom = args[++i].toInt(&ok);
            ok = ok && options->zoom >= 1 && options->zoom <= 3;
        } else if (!arg.startsWith(QLatin1Char('-')) && options->file.isEmpty()) {
            options->file = arg;
        } else {
            return false;
        }
        if (!ok)
            return false;
    }
    return true;
}

// The script to play, read and checked before the window shows; null after
// printing the reason.
std::unique_ptr<kdx::sim::ScriptPlayer> LoadScript(kdx::sim::SimulatorWindow& window, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "KDX_TS: %s: %s\n", path.toUtf8().constData(), file.errorString().toUtf8().constData());
        return nullptr;
    }
    kdx::render::Script script;
    if (const auto error = kdx::render::ParseScript(file.read(kdx::render::kMaxScriptBytes + 1), script)) {
        std::fprintf(stderr, "KDX_TS: %s:%d:%d: %s\n", path.toUtf8().constData(), error->line, error->column,
                     error->message.toUtf8().constData());
        return nullptr;
    }
    return std::make_unique<kdx::sim::ScriptPlayer>(window, std::move(script), path);
}

} // namespace

int main(int argc, char** argv)
{
    if (auto answered = kdx::AnswerInfoOptions(argc, argv, "KDX_TS", kUsage))
        return *answered;
    QApplication app(argc, argv);
    kdx::InstallQtTranslations(app);

    Options options;
    if (!ParseArguments(app.arguments(), &options))
        return Usage();

    kdx::sim::SimulatorWindow window;
    std::unique_ptr<kdx::sim::ScriptPlayer> player;
    if (!options.script.isEmpty()) {
        player = LoadScript(window, options.script);
        if (!player)
            return 2;
    }
    window.SetZoom(options.zoom);
    if (options.listen) {
        const QString path = window.StartListening(options.depth);
        if (path.isEmpty()) {
            std::fprintf(stderr, "KDX_TS: %s\n", window.LastError().toUtf8().constData());
            return 1;
        }
        std::printf("%s\n", path.toUtf8().constData());
        std::fflush(stdout);
    }
    if (!options.port.isEmpty() && !window.OpenSerialPort(options.port, options.baud)) {
        std::fprintf(stderr, "KDX_TS: %s\n", window.LastError().toUtf8().constData());
        return 1;
    }

    QString file = options.file;
    if (file.isEmpty() && !options.listen) {
        file = kdx::sim::SimulatorWindow::EditorLastCompiledFile();
        if (file.isEmpty())
            file = QFileDialog::getOpenFileName(nullptr, QStringLiteral("打开编译文件"), QString(),
                                                QStringLiteral("KDX触屏工程编译文件 (*.kdpbin);;所有文件 (*)"));
        if (file.isEmpty())
            return 0;
    }
    window.show();
    if (!file.isEmpty() && !window.OpenFile(file)) {
        std::fprintf(stderr, "KDX_TS: %s\n", window.LastError().toUtf8().constData());
        QMessageBox::warning(&window, window.windowTitle(), window.LastError());
    }
    if (player)
        player->Start();
    return app.exec();
}
