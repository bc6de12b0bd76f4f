#include "app/dialogs/CDlgLinkData.h"

#include "app/frame/CommandIcons.h"
#include "app/frame/EditorStrings.h"
#include "app/frame/FileFilters.h"
#include "app/frame/Messages.h"
#include "edit/CMyEdit.h"
#include "common/Hex.h"
#include "model/ModelStrings.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPalette>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace kdx {
namespace {

constexpr QSize kToolImageSize(24, 24);
constexpr QSize kToolButtonSize(31, 30);
constexpr QSize kDefaultSize(560, 360);
// Any digit beyond this already makes the value too large for a byte.
constexpr int kValueCap = 256;

bool IsBlank(char16_t unit)
{
    return unit == u' ' || unit == u'\t';
}

// Appends the bytes of one line; false on anything but blanks and runs of
// 1 to 63 hex digits worth at most 255.
bool ParseLine(QStringView line, QByteArray& out, bool& truncated)
{
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (true) {
        while (i < size && IsBlank(line[i].unicode()))
            ++i;
        if (i == size)
            return true;
        const qsizetype start = i;
        int value = 0;
        while (i < size) {
            const int digit = HexDigitValue(line[i].unicode());
            if (digit < 0)
                break;
            value = std::min(value * 16 + digit, kValueCap);
            ++i;
        }
        const qsizetype digits = i - start;
        if (digits == 0 || digits > CDlgLinkData::kMaxDigitRun || value > 255)
            return false;
        // The text may describe more bytes than a block holds; the rest is
        // still checked but not kept.
        if (out.size() < CDlgLinkData::kMaxBytes)
            out.append(char(value));
        else
            truncated = true;
    }
}

} // namespace

CDlgLinkData::CDlgLinkData(const QByteArray& data, QWidget* parent)
    : QDialog(parent), m_data(data.left(kMaxBytes))
{
    setObjectName(QString::number(kDialogId));
    setWindowTitle(EditorString(IDS_LINK_DATA_TITLE));
    setSizeGripEnabled(true);

    CreateToolBar();
    m_edit = new CMyEdit(this, true);
    m_edit->setObjectName(QStringLiteral("LinkDataEdit"));
    m_edit->setAccessibleName(EditorString(IDS_LINK_DATA_TITLE));
    m_edit->SetColour(COLOUR_LINE_NUMBERS, QColor(0, 128, 128));
    m_edit->SetColour(COLOUR_NUMBER_BACKGROUND, palette().color(QPalette::Base));

    // The toolbar keeps its height across the top; the text fills the rest.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_edit, 1);
    resize(kDefaultSize);

    ShowBytes();
    m_edit->setFocus();
}

QList<int> CDlgLinkData::ToolBarCommands()
{
    return {ID_DATA_OPEN, ID_DATA_ACCEPT, 0, ID_DATA_DISCARD};
}

void CDlgLinkData::CreateToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("LinkDataToolBar"));
    m_toolBar->setIconSize(kToolImageSize);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const auto label = [](int id) {
        switch (id) {
        case ID_DATA_OPEN: return EditorString(IDS_DATA_OPEN_LABEL);
        case ID_DATA_ACCEPT: return EditorString(IDS_DATA_ACCEPT_LABEL);
        default: return EditorString(IDS_DATA_DISCARD_LABEL);
        }
    };
    for (int id : ToolBarCommands()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_toolBar->addAction(CommandIcon(id), label(id));
        action->setData(id);
        action->setToolTip(label(id));
        // The text keeps Tab and Escape for itself: the keyboard reaches
        // loading and accepting through the usual keys.
        if (id == ID_DATA_OPEN)
            action->setShortcut(QKeySequence::Open);
        else if (id == ID_DATA_ACCEPT)
            action->setShortcut(QKeySequence::Save);
        action->setShortcutContext(Qt::WindowShortcut);
        // Queued: a question or a file dialog opens after the button has
        // been released.
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); }, Qt::QueuedConnection);
        if (auto* button = qobject_cast<QToolButton*>(m_toolBar->widgetForAction(action))) {
            button->setMinimumSize(kToolButtonSize);
            button->setAutoRaise(true);
        }
    }
}

QAction* CDlgLinkData::CommandAction(int id) const
{
    for (QAction* action : m_toolBar->actions())
        if (action->data().toInt() == id)
            return action;
    return nullptr;
}

void CDlgLinkData::OnCommand(int id)
{
    switch (id) {
    case ID_DATA_OPEN:
        OpenFile();
        break;
    case ID_DATA_ACCEPT:
        accept();
        break;
    case ID_DATA_DISCARD:
        reject();
        break;
    default:
        break;
    }
}

QString CDlgLinkData::FormatHex(const QByteArray& bytes)
{
    QString text;
    // Three units a byte: two digits and a space or the first of CR LF.
    text.reserve(bytes.size() * 3 + bytes.size() / kBytesPerLine);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            text += (i % kBytesPerLine == 0) ? QStringLiteral("\r\n") : QStringLiteral(" ");
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += QChar(HexDigitChar(byte >> 4));
        text += QChar(HexDigitChar(byte & 0x0F));
    }
    return text;
}

HexParseResult CDlgLinkData::ParseHex(const QStringList& lines)
{
    HexParseResult result;
    for (const QString& line : lines)
        if (!ParseLine(line, result.bytes, result.truncated))
            return {false, false, {}};
    result.valid = true;
    return result;
}

void CDlgLinkData::ShowBytes()
{
    m_edit->DeleteRange(0, 0, -1, 0);
    m_edit->InsertText(0, 0, FormatHex(m_data));
    m_edit->SetCaret(0, 0);
    m_edit->ResetUndo();
    m_edit->SetModified(false);
}

bool CDlgLinkData::TakeText()
{
    QStringList lines;
    const int count = m_edit->GetLineCount();
    lines.reserve(count);
    for (int line = 0; line < count; ++line)
        lines << m_edit->LineText(line);
    const HexParseResult result = ParseHex(lines);
    if (!result.valid) {
        ShowMessageBox(this, IDS_DATA_FORMAT_ERROR, QMessageBox::Critical);
        return false;
    }
    m_data = result.bytes;
    if (result.truncated)
        ShowMessageBox(this, IDS_DATA_TEXT_TOO_LONG, QMessageBox::Warning, QMessageBox::Ok, {kMaxBytes});
    return true;
}

void CDlgLinkData::accept()
{
    if (!m_edit->IsModified() || TakeText())
        QDialog::accept();
}

void CDlgLinkData::reject()
{
    if (!m_edit->IsModified()) {
        QDialog::reject();
        return;
    }
    const auto answer = ShowMessageBox(this, IDS_DATA_SAVE_QUESTION, QMessageBox::Question,
                                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Yes) {
        if (TakeText())
            QDialog::accept();
    } else if (answer == QMessageBox::No) {
        QDialog::reject();
    }
}

QString CDlgLinkData::ChooseFile()
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(ConvertFilter(EditorString(IDS_ALL_FILES_OPEN_FILTER)));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void CDlgLinkData::OpenFile()
{
    const QString path = ChooseFile();
    if (!path.isEmpty())
        LoadFile(path);
}

bool CDlgLinkData::LoadFile(const QString& path)
{
    QFile file(path);
    const bool isFolder = QFileInfo(path).isDir();
    if (isFolder || !file.open(QIODevice::ReadOnly)) {
        const QString reason = isFolder ? QStringLiteral("Is a directory") : file.errorString();
        ShowMessageText(this, FormatModelString(kStrCannotReadFile, {path, reason}), QMessageBox::Critical);
        return false;
    }
    // One byte more than a block holds tells a long file from a full one,
    // also for files whose size is not known in advance.
    QByteArray bytes = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        ShowMessageText(this, FormatModelString(kStrCannotReadFile, {path, file.errorString()}),
                        QMessageBox::Critical);
        return false;
    }
    if (bytes.size() > kMaxBytes) {
        ShowMessageBox(this, IDS_DATA_FILE_TOO_LONG, QMessageBox::Warning, QMessageBox::Ok, {kMaxBytes});
        bytes.truncate(kMaxBytes);
    }
    if (bytes.isEmpty())
        return true;
    m_data = bytes;
    ShowBytes();
    // Loaded bytes are a change like typed ones: discarding asks first, and
    // accepting takes what the text now shows.
    m_edit->SetModified(true);
    return true;
}

} // namespace kdx
