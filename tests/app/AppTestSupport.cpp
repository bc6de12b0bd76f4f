#include "AppTestSupport.h"

#include "model/PageDoc.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <cstdio>
#include <vector>

namespace kdx::test {

ModalDriver::ModalDriver()
{
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &ModalDriver::Poll);
}

ModalDriver& ModalDriver::Then(Handler handler)
{
    handlers_.push_back(std::move(handler));
    return *this;
}

ModalDriver& ModalDriver::Answer(QMessageBox::StandardButton button)
{
    return Then([this, button](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        if (!box) {
            ++unexpected;
            window->close();
            return;
        }
        boxes.push_back({box->text(), box->icon()});
        if (QAbstractButton* answer = box->button(button))
            answer->click();
        else
            box->reject();
    });
}

void ModalDriver::Run(const std::function<void()>& action)
{
    timer_.start();
    action();
    timer_.stop();
}

void ModalDriver::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    if (modal == last_) {
        // A handler that failed part-way leaves its window open: close it
        // after a while so that the test fails instead of hanging.
        if (++stalled_ > 300) {
            ++unexpected;
            modal->close();
        }
        return;
    }
    // Handlers type into the window: on a loaded machine it becomes the
    // active window a few polls after it is shown.
    if (!modal->isActiveWindow() && ++inactivePolls_ < kActivationPolls)
        return;
    inactivePolls_ = 0;
    last_ = modal;
    stalled_ = 0;
    if (handlers_.empty()) {
        ++unexpected;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            boxes.push_back({box->text(), box->icon()});
        modal->close();
        return;
    }
    Handler handler = std::move(handlers_.front());
    handlers_.erase(handlers_.begin());
    handler(modal);
}

ModalDriver::Handler PickFile(QString path, QString* startFolder)
{
    return [path, startFolder](QWidget* window) {
        auto* dialog = qobject_cast<QFileDialog*>(window);
        QVERIFY(dialog);
        if (startFolder)
            *startFolder = dialog->directory().absolutePath();
        dialog->selectFile(path);
        // Type the path too: selectFile alone is lost when the dialog's file
        // system model has not read the folder yet.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        // Close as accepted without the dialog's own existence check, which asks
        // the file system model and can open a nested warning before the model
        // has read the folder on a busy machine.
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    };
}

void WriteProject(const QString& path, int width, int height, int depth, int pages)
{
    CPageDoc doc;
    doc.header.width = uint16_t(width);
    doc.header.height = uint16_t(height);
    doc.header.colorDepth = uint32_t(depth);
    for (int i = 0; i < pages; ++i)
        doc.AddPage();
    QVERIFY(!doc.SaveProject(path));
}

QStringList MenuTexts(const QMenu* menu)
{
    QStringList texts;
    for (const QAction* action : menu->actions())
        texts << (action->isSeparator() ? QString() : action->text());
    return texts;
}

int RunTestClasses(std::span<const TestClass> classes, int argc, char* argv[])
{
    const QStringList args = QCoreApplication::arguments();
    if (args.size() >= 2 && args[1] == QLatin1String("--registered")) {
        int missing = 0;
        for (const TestClass& c : classes)
            if (!args.mid(2).contains(QLatin1String(c.name))) {
                std::fprintf(stderr, "test class %s has no CTest entry\n", c.name);
                ++missing;
            }
        return missing == 0 ? 0 : 1;
    }
    if (args.size() >= 2 && !args[1].startsWith(QLatin1Char('-'))) {
        for (const TestClass& c : classes)
            if (args[1] == QLatin1String(c.name)) {
                std::vector<char*> rest{argv[0]};
                rest.insert(rest.end(), argv + 2, argv + argc);
                return QTest::qExec(c.make().get(), int(rest.size()), rest.data());
            }
        std::fprintf(stderr, "no test class %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const TestClass& c : classes)
        failures += QTest::qExec(c.make().get(), argc, argv);
    return failures == 0 ? 0 : 1;
}

} // namespace kdx::test
