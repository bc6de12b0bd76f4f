#pragma once
#include <QByteArray>
#include <QDialog>
#include <QStringList>

class QAction;
class QToolBar;

namespace kdx {

class CMyEdit;

// The outcome of reading hexadecimal text back into bytes.
struct HexParseResult {
    bool valid = false;      // every run was 1-63 hex digits worth 0-255
    bool truncated = false;  // more bytes than a block holds; the rest was dropped
    QByteArray bytes;
};

// A small hexadecimal editor for the bytes a page sends on load and unload
// or an object sends when touched. It shows the bytes as text, can load a
// file's bytes, and checks the text when the user accepts. exec() returns
// Accepted when the user accepted the bytes; data() then holds them.
class CDlgLinkData : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 124;
    static constexpr int kMaxBytes = 65535;
    static constexpr int kBytesPerLine = 16;
    // A run of hex digits longer than this is refused even when its value
    // (with leading zeros) fits in a byte.
    static constexpr int kMaxDigitRun = 63;
    enum CommandId : int {
        ID_DATA_OPEN = 38040,
        ID_DATA_ACCEPT = 38041,
        ID_DATA_DISCARD = 38042,
    };

    CDlgLinkData(const QByteArray& data, QWidget* parent = nullptr);

    QByteArray data() const { return m_data; }

    // Loads a file's bytes (at most kMaxBytes, with a warning for longer
    // files); an empty file changes nothing. False when it cannot be read.
    bool LoadFile(const QString& path);

    // 16 bytes a line as "0B 02 80", lines joined by CR LF.
    static QString FormatHex(const QByteArray& bytes);
    // Blank-separated runs of hex digits, each one byte, line by line.
    static HexParseResult ParseHex(const QStringList& lines);

    CMyEdit* Editor() const { return m_edit; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QAction* CommandAction(int id) const;
    static QList<int> ToolBarCommands();

    void accept() override;
    void reject() override;

protected:
    // Asks for the file to load; an empty string when the user cancelled.
    virtual QString ChooseFile();

private:
    void CreateToolBar();
    void OnCommand(int id);
    void OpenFile();
    void ShowBytes();
    // Parses the text into the byte array, telling the user what went
    // wrong or what was cut; false leaves the dialog open.
    bool TakeText();

    QByteArray m_data;
    QToolBar* m_toolBar = nullptr;
    CMyEdit* m_edit = nullptr;
};

} // namespace kdx
