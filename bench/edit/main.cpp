// Compares the editor's text control with QPlainTextEdit on the loads the
// editor puts on it. Each measurement runs in its own child process so
// that memory growth is measured cleanly; ratios are control / baseline.
//
//   kdx_bench_edit            run everything and print the ratios
//   kdx_bench_edit TASK SIDE  one measurement (used by the parent)
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTextBlock>
#include <chrono>
#include <cstdio>
#include <functional>

#include "edit/CMyEditCtrl.h"

namespace {

using Clock = std::chrono::steady_clock;

long RssKb(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return 0;
}

QString CompilerLine(int i)
{
    static const char* kinds[] = {">", "!(PID=%1)", "!(IID=%1)", "*(IID=%1)"};
    return QString(">正在处理第%1页 对象%2 (IID=%3) 图片已转换 (双击定位)").arg(i / 100).arg(i % 100).arg(i, 0, 16)
           + QString(kinds[i % 4]).arg(i, 0, 16);
}

// 1,000,000 lines of about 58 characters: 60 MB as 8-bit text.
QString BigText(const QString& lineBreak)
{
    QString text;
    text.reserve(1000000 * 62);
    for (int i = 0; i < 1000000; ++i) {
        text += QString("%1 the quick brown fox jumps over the lazy dog, then rests")
                    .arg(i, 7, 10, QChar('0'))
                    .left(58);
        if (i + 1 < 1000000)
            text += lineBreak;
    }
    return text;
}

void TypeChars(QWidget* target, int count)
{
    for (int i = 0; i < count; ++i) {
        const QString ch(QChar('a' + i % 26));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, ch);
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, ch);
        QApplication::sendEvent(target, &release);
        QApplication::processEvents();
    }
}

struct Result {
    double ms = 0;
    long rssKb = 0;
    double laterMs = 0;  // a second time of the same run
};

Result Measure(const std::function<void()>& prepare, const std::function<void()>& work)
{
    prepare();
    QApplication::processEvents();
    const long before = RssKb("VmRSS:");
    const auto start = Clock::now();
    work();
    QApplication::processEvents();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    return {ms, RssKb("VmRSS:") - before};
}

Result RunControl(const QString& task)
{
    kdx::CMyEditCtrl edit;
    edit.resize(800, 600);
    edit.show();
    QString text;
    if (task == "append") {
        return Measure([] {}, [&] {
            for (int i = 0; i < 200000; ++i) {
                edit.InsertText(-1, -1, CompilerLine(i) + "\r\n");
                if (i % 1000 == 0)
                    QApplication::processEvents();
            }
        });
    }
    auto load = [&] { edit.InsertText(0, 0, text); };
    if (task == "load")
        return Measure([&] { text = BigText("\r\n"); }, load);
    if (task == "type") {
        return Measure([&] {
            text = BigText("\r\n");
            load();
            edit.SetCaret(500000, 10);
            edit.setFocus();
        }, [&] { TypeChars(&edit, 1000); });
    }
    if (task == "rewrap") {
        return Measure([&] {
            text = BigText("\r\n");
            load();
            edit.resize(600, 600);
            edit.SetWrapMode(1);
        }, [&] {
            edit.resize(400, 600);
            edit.RewrapNow();
        });
    }
    if (task == "background") {
        // The width changes while the control has the focus: the view is
        // wrapped at once, the rest between events.
        text = BigText("\r\n");
        load();
        edit.resize(600, 600);
        edit.SetWrapMode(1);
        edit.RewrapNow();
        edit.SetCaret(500000, 10);
        edit.activateWindow();
        edit.setFocus();
        QApplication::processEvents();
        if (!edit.hasFocus())
            std::fprintf(stderr, "the control has no focus: the re-wrap waits for it\n");
        const auto start = Clock::now();
        edit.resize(400, 600);
        QApplication::processEvents();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        QApplication::sendEvent(&edit, &press);
        edit.viewport()->repaint();
        const double answered = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        while (edit.IsWrapping())
            QApplication::processEvents();
        const double total = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (edit.LineText(500000).at(10) != QChar('x'))
            std::fprintf(stderr, "the key press was lost\n");
        return {answered, 0, total};
    }
    return {};
}

Result RunBaseline(const QString& task)
{
    QPlainTextEdit edit;
    edit.resize(800, 600);
    edit.setLineWrapMode(task == "rewrap" ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    edit.show();
    QString text;
    if (task == "append") {
        return Measure([] {}, [&] {
            for (int i = 0; i < 200000; ++i) {
                edit.appendPlainText(CompilerLine(i));
                if (i % 1000 == 0)
                    QApplication::processEvents();
            }
        });
    }
    auto load = [&] { edit.setPlainText(text); };
    if (task == "load")
        return Measure([&] { text = BigText("\n"); }, load);
    if (task == "type") {
        return Measure([&] {
            text = BigText("\n");
            load();
            QTextCursor cursor(edit.document()->findBlockByNumber(500000));
            cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 10);
            edit.setTextCursor(cursor);
            edit.setFocus();
        }, [&] { TypeChars(&edit, 1000); });
    }
    if (task == "rewrap") {
        return Measure([&] {
            text = BigText("\n");
            load();
            edit.resize(600, 600);
        }, [&] { edit.resize(400, 600); });
    }
    return {};
}

Result RunChild(const QString& program, const QString& task, const QString& side)
{
    QProcess child;
    child.start(program, {task, side});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed: %s\n", qPrintable(task), qPrintable(side),
                     child.readAllStandardError().constData());
        return {};
    }
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    return {fields.value(0).toDouble(), fields.value(1).toLong(), fields.value(2).toDouble()};
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3) {
        const Result r = args[2] == "control" ? RunControl(args[1]) : RunBaseline(args[1]);
        std::printf("%.1f %ld %.1f\n", r.ms, r.rssKb, r.laterMs);
        return 0;
    }
    std::printf("%-34s %12s %12s %8s\n", "measurement", "control", "baseline", "ratio");
    const struct { const char* task; const char* label; } tasks[] = {
        {"append", "append 200,000 lines (ms)"},
        {"load", "load 1,000,000 lines, 60 MB (ms)"},
        {"type", "type 1,000 characters (ms)"},
        {"rewrap", "re-wrap after width change (ms)"},
    };
    for (const auto& t : tasks) {
        const Result control = RunChild(args[0], t.task, "control");
        const Result baseline = RunChild(args[0], t.task, "baseline");
        std::printf("%-34s %12.1f %12.1f %8.3f\n", t.label, control.ms, baseline.ms,
                    baseline.ms > 0 ? control.ms / baseline.ms : 0.0);
        if (QString(t.task) == "rewrap") {
            // Against the baseline's re-wrap, and the whole text against
            // the control's own re-wrap at once.
            const Result background = RunChild(args[0], "background", "control");
            const auto row = [](const char* label, double ms, double base) {
                std::printf("%-34s %12.1f %12.1f %8.3f\n", label, ms, base, base > 0 ? ms / base : 0.0);
            };
            row("width change: view and key (ms)", background.ms, baseline.ms);
            row("width change: whole text (ms)", background.laterMs, baseline.ms);
            row("  the same against a re-wrap at once", background.laterMs, control.ms);
        }
        if (QString(t.task) == "load")
            std::printf("%-34s %12ld %12ld %8.3f\n", "memory growth by the load (KiB)", control.rssKb,
                        baseline.rssKb, baseline.rssKb > 0 ? double(control.rssKb) / baseline.rssKb : 0.0);
        std::fflush(stdout);
    }
    return 0;
}
