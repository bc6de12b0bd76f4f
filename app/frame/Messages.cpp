#include "app/frame/Messages.h"

#include "app/frame/CMyStatusBar.h"
#include "app/frame/EditorStrings.h"

#include <QApplication>
#include <QPointer>

namespace kdx {
namespace {

QPointer<CMyStatusBar>& Target()
{
    static QPointer<CMyStatusBar> target;
    return target;
}

struct Gradient {
    QColor dark;
    QColor light;
};

// Dark (left) and light (right) colours of the highlighted kinds 1 to 3.
const Gradient kGradients[] = {
    {QColor(0, 84, 227), QColor(61, 149, 255)},
    {QColor(25, 100, 25), QColor(120, 220, 150)},
    {QColor(180, 0, 30), QColor(250, 130, 150)},
};

} // namespace

void SetStatusMessageTarget(CMyStatusBar* bar) { Target() = bar; }
CMyStatusBar* StatusMessageTarget() { return Target(); }

void ShowStatusMessage(int kind, const QString& text)
{
    CMyStatusBar* bar = Target();
    if (!bar)
        return;
    if (text.isEmpty()) {
        bar->SetPaneStyle(0, CMyStatusBar::Normal);
        bar->SetPaneText(0, EditorString(IDS_IDLE_MESSAGE));
        return;
    }
    if (kind >= kStatusInfo && kind <= kStatusError) {
        const Gradient& g = kGradients[kind - 1];
        bar->SetHighlightedText(0, text, Qt::white, g.dark, g.light);
        return;
    }
    bar->SetPaneStyle(0, CMyStatusBar::Normal);
    bar->SetPaneText(0, text);
}

void ShowStatusMessage(int kind, int stringId)
{
    ShowStatusMessage(kind, EditorString(stringId));
}

void ShowStatusMessage(int kind, int stringId, std::initializer_list<QVariant> args)
{
    ShowStatusMessage(kind, FormatString(stringId, args));
}

QMessageBox::StandardButton ShowMessageText(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, EditorString(IDS_APP_TITLE), text, buttons, parent);
    return QMessageBox::StandardButton(box.exec());
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, int stringId, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons)
{
    return ShowMessageText(parent, EditorString(stringId), icon, buttons);
}

QMessageBox::StandardButton ShowMessageBox(QWidget* parent, int stringId, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           std::initializer_list<QVariant> args)
{
    return ShowMessageText(parent, FormatString(stringId, args), icon, buttons);
}

} // namespace kdx
