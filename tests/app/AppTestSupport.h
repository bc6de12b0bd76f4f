#pragma once
#include "app/frame/CAppFrame.h"

#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace kdx::test {

// One Qt Test class of a test program, made on demand.
struct TestClass {
    const char* name;
    std::unique_ptr<QObject> (*make)();
};

template <class T>
std::unique_ptr<QObject> MakeTestClass()
{
    return std::make_unique<T>();
}

// "prog" runs every class; "prog NAME [Qt Test options]" runs one;
// "prog --registered NAME..." fails when a class of the program is not
// among the names, so that no class is left out of CTest.
int RunTestClasses(std::span<const TestClass> classes, int argc, char* argv[]);

// Answers the modal windows an action opens, one handler per window in the
// order they appear, and records what message boxes said.
class ModalDriver : public QObject {
    Q_OBJECT
public:
    struct Box {
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    using Handler = std::function<void(QWidget*)>;

    ModalDriver();
    // Queue a handler for the next modal window.
    ModalDriver& Then(Handler handler);
    // Queue an answer for the next message box.
    ModalDriver& Answer(QMessageBox::StandardButton button);
    // Runs the action; leftover handlers and unexpected windows are reported.
    void Run(const std::function<void()>& action);

    std::vector<Box> boxes;
    int unexpected = 0;
    int unused() const { return int(handlers_.size()); }

private:
    void Poll();
    std::vector<Handler> handlers_;
    QPointer<QWidget> last_;
    int stalled_ = 0;
    int inactivePolls_ = 0;
    static constexpr int kActivationPolls = 300;
    QTimer timer_;
};

// A frame whose file-name questions are answered by the test.
class TestFrame : public CAppFrame {
public:
    QString openAnswer;
    QString saveAnswer;
    QString compileAnswer;
    int saveQuestions = 0;
    int compileQuestions = 0;
    QString compileProposal;

protected:
    QString AskOpenPath() override { return openAnswer; }
    QString AskSavePath(const QString&) override
    {
        ++saveQuestions;
        return saveAnswer;
    }
    QString AskCompileOutputPath(const QString& proposal) override
    {
        ++compileQuestions;
        compileProposal = proposal;
        return compileAnswer;
    }
};

// Answers a file dialog with the path (and notes the folder it started in).
ModalDriver::Handler PickFile(QString path, QString* startFolder = nullptr);

// Writes a project of the given format with the given number of pages.
void WriteProject(const QString& path, int width, int height, int depth, int pages);

// The texts of a menu's actions, separators as empty strings.
QStringList MenuTexts(const class QMenu* menu);

} // namespace kdx::test
