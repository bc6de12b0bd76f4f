// Opens a text file in the editor's text control so that it can be tried
// by hand: kdx_textdemo [--wrap MODE[,WIDTH]] [--read-only]
//                       [--select LINE,COL,LINE,COL] [--bookmark LINE] FILE
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>

#include "edit/CMyEdit.h"

namespace {

// Files use LF or CR LF; the control's line break is CR LF.
QString ToControlBreaks(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            out += u'\r';
        out += text[i];
    }
    return out;
}

QList<int> Numbers(const QString& list)
{
    QList<int> numbers;
    for (const QString& part : list.split(',', Qt::SkipEmptyParts))
        numbers << part.toInt();
    return numbers;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription("Shows a text file in the editor's text control.");
    parser.addHelpOption();
    parser.addOption({"wrap", "Word wrap: 0, 1, or 2,WIDTH.", "mode"});
    parser.addOption({"read-only", "Refuse edits."});
    parser.addOption({"select", "Select LINE,COL,LINE,COL.", "range"});
    parser.addOption({"bookmark", "Bookmark a line.", "line"});
    parser.addPositionalArgument("file", "The text file to open.");
    parser.process(app);

    kdx::CMyEdit edit;
    if (!parser.positionalArguments().isEmpty()) {
        const QString path = parser.positionalArguments().first();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            QMessageBox::critical(nullptr, "kdx_textdemo",
                                  QString("Cannot open %1: %2").arg(path, file.errorString()));
            return 1;
        }
        edit.InsertText(0, 0, ToControlBreaks(QString::fromUtf8(file.readAll())));
        edit.ResetUndo();
        edit.SetModified(false);
        edit.SetCaret(0, 0);
    }

    QMainWindow window;
    window.setCentralWidget(&edit);
    window.setWindowTitle(parser.positionalArguments().isEmpty()
                              ? QString("kdx_textdemo")
                              : QFileInfo(parser.positionalArguments().first()).fileName());
    auto* position = new QLabel;
    window.statusBar()->addPermanentWidget(position);
    auto showPosition = [&] {
        const kdx::TextPos caret = edit.GetCaret();
        position->setText(QString("Line %1, Col %2  |  %3 lines%4")
                              .arg(caret.line + 1)
                              .arg(caret.column + 1)
                              .arg(edit.GetLineCount())
                              .arg(edit.IsModified() ? "  |  modified" : ""));
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, showPosition);
    poll.start(100);
    QObject::connect(&edit, &kdx::CMyEditCtrl::notified, [&](int code, int value) {
        if (code == kdx::NOTIFY_READ_ONLY)
            window.statusBar()->showMessage("Read-only", 1500);
        else if (code == kdx::NOTIFY_BOOKMARK_WRAPPED)
            window.statusBar()->showMessage(value < 0 ? "Search wrapped to the top" : "Search wrapped to the end", 1500);
    });

    window.resize(900, 600);
    window.show();
    edit.setFocus();

    if (parser.isSet("wrap")) {
        const QList<int> wrap = Numbers(parser.value("wrap"));
        if (!wrap.isEmpty())
            edit.SetWrapMode(wrap[0], wrap.size() > 1 ? wrap[1] : 80);
    }
    if (parser.isSet("bookmark"))
        edit.SetBookmark(true, parser.value("bookmark").toInt() - 1);
    if (parser.isSet("select")) {
        const QList<int> range = Numbers(parser.value("select"));
        if (range.size() == 4)
            edit.Select(range[0] - 1, range[1], range[2] - 1, range[3]);
    }
    edit.SetReadOnly(parser.isSet("read-only"));
    return app.exec();
}
