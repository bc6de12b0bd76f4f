#include "AppTestSupport.h"

#include "model/PageDoc.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QTest>

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

} // namespace kdx::test
