#pragma once
#include <QMessageBox>
#include <QString>
#include <QVariant>
#include <initializer_list>

namespace kdx {

class CMyStatusBar;

// Kinds of highlighted status-bar messages; any other kind shows plain text.
enum StatusKind : int { kStatusPlain = 0, kStatusInfo = 1, kStatusSuccess = 2, kStatusError = 3 };

// The status bar that status messages go to (the main frame's).
void SetStatusMessageTarget(CMyStatusBar* bar);
CMyStatusBar* StatusMessageTarget();

// Puts the text into the message pane, highlighted by kind; an empty text
// shows the idle message.
void ShowStatusMessage(int kind, const QString& text);
void ShowStatusMessage(int kind, int stringId);
void ShowStatusMessage(int kind, int stringId, std::initializer_list<QVariant> args);

// A modal message box with the text of a string id (optionally formatted);
// returns the button pressed.
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, int stringId, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton ShowMessageBox(QWidget* parent, int stringId, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           std::initializer_list<QVariant> args);
// The same with a text already made.
QMessageBox::StandardButton ShowMessageText(QWidget* parent, const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);

} // namespace kdx
