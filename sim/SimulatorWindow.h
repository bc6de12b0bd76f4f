#pragma once
#include "render/TerminalImage.h"
#include "render/TerminalSession.h"

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <memory>

class QActionGroup;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;

namespace kdx::upload {
class ISerialPort;
}
namespace kdx::vterm {
class VirtualTerminal;
}

namespace kdx::sim {

class ScreenView;

// KDX_TS's window: the screen of a simulated terminal running a compiled
// project, a page list to jump by hand, an event log, an optional serial
// port that the sent bytes also go out of, and an optional upload mode in
// which the window answers uploads on a pseudo-terminal as a terminal does.
class SimulatorWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit SimulatorWindow(QWidget* parent = nullptr);
    ~SimulatorWindow() override;

    // Opens a compiled file and watches it: when it changes on disk it is
    // read again. False, with the message in the log and LastError(), when
    // it cannot be read; a file that was running keeps running then.
    bool OpenFile(const QString& path);
    // Runs a memory image received by upload.
    bool RunMemoryImage(const std::vector<uint8_t>& image);

    // Sends the bytes also out of this serial port (8N1). False, with the
    // port's message in the log, when it cannot be opened.
    bool OpenSerialPort(const QString& device, int baud);
    void CloseSerialPort();

    // Opens a pseudo-terminal that answers the upload protocol; returns its
    // device path, or an empty string with the reason in LastError().
    QString StartListening(int depth);
    // The colour depth the terminal assumes for uploaded images without
    // pictures (pictures carry their own).
    int ListenDepth() const { return m_listenDepth; }

    void SetZoom(int zoom);

    // The output file of the editor's last successful compile, when it
    // still exists; empty otherwise.
    static QString EditorLastCompiledFile();

    // Hands every block sent also to 'observer' (a test script's runner).
    void SetSentObserver(std::function<void(const render::SentBlock&)> observer) { m_sentObserver = std::move(observer); }
    // Adds a line with the time to the event log.
    void Log(const QString& text);

    // For tests and scripts.
    ScreenView* Screen() const { return m_screen; }
    const render::TerminalSession* Session() const { return m_session.get(); }
    render::TerminalSession* Session() { return m_session.get(); }
    QString LogText() const;
    QString LastError() const { return m_lastError; }
    QString FilePath() const { return m_filePath; }
    QListWidget* PageList() const { return m_pageList; }

signals:
    // A new image runs (opened, reloaded or uploaded).
    void ImageLoaded();

private:
    // What tells one version of a file from the next: a file renamed into
    // place is another file, one written in place has another time or size.
    struct FileStamp {
        bool exists = false;
        uint64_t device = 0;
        uint64_t inode = 0;
        int64_t modifiedNs = 0;
        int64_t size = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const QString& path);

    void BuildMenus();
    // Runs the image from its page with the id `pageId` when it has one,
    // else from its first page.
    void Run(std::shared_ptr<const render::TerminalImage> image, const QString& source, int pageId = -1);
    void OnSent(const render::SentBlock& sent);
    void OnPageShown(int page);
    void ReloadWatchedFile();
    void WatchFile(const QString& path);
    void PollListener();
    void ChoosePort();
    void ChooseFile();

    ScreenView* m_screen = nullptr;
    QListWidget* m_pageList = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QLabel* m_statusText = nullptr;
    QProgressBar* m_progress = nullptr;
    QActionGroup* m_zoomGroup = nullptr;

    std::shared_ptr<const render::TerminalImage> m_image;
    std::unique_ptr<render::TerminalSession> m_session;
    std::function<void(const render::SentBlock&)> m_sentObserver;
    QString m_filePath;
    FileStamp m_fileStamp; // the version of m_filePath last read
    QString m_lastError;
    QFileSystemWatcher m_watcher;
    QTimer m_reloadTimer;

    std::unique_ptr<upload::ISerialPort> m_port;
    QString m_portName;

    std::unique_ptr<vterm::VirtualTerminal> m_listener;
    QTimer m_listenTimer;
    int m_listenDepth = 16;
    int m_downloadsSeen = 0;
    bool m_wasDownloading = false;
};

} // namespace kdx::sim
