#include "sim/SimulatorWindow.h"

#include "common/EditorSettingsKeys.h"
#include "sim/ScreenView.h"
#include "terminal/VirtualTerminal.h"
#include "upload/PortDiscovery.h"
#include "upload/SerialPort.h"

#include <QActionGroup>
#include <QDateTime>
#include <QDir>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>

#include <sys/stat.h>

namespace kdx::sim {

namespace {

constexpr int kListenPollMs = 100;
constexpr const char* kTitle = "KDX_TS 终端模拟器";

QString ReasonText(render::SendReason reason)
{
    switch (reason) {
    case render::SendReason::PageLoad: return QStringLiteral("页面装载");
    case render::SendReason::PageUnload: return QStringLiteral("页面卸载");
    case render::SendReason::Touch: return QStringLiteral("触摸");
    }
    return {};
}

QString PageLabel(const render::TerminalImage& image, int index)
{
    return QStringLiteral("页面 %1（标识 %2）").arg(index).arg(image.Pages()[size_t(index)].id);
}

} // namespace

SimulatorWindow::SimulatorWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QString::fromUtf8(kTitle));

    m_screen = new ScreenView;
    auto* scroll = new QScrollArea;
    scroll->setWidget(m_screen);
    scroll->setAlignment(Qt::AlignCenter);
    scroll->setBackgroundRole(QPalette::Dark);
    setCentralWidget(scroll);

    m_pageList = new QListWidget;
    m_pageList->setAccessibleName(QStringLiteral("页面列表"));
    auto* pages = new QDockWidget(QStringLiteral("页面"), this);
    pages->setObjectName(QStringLiteral("pages"));
    pages->setWidget(m_pageList);
    addDockWidget(Qt::LeftDockWidgetArea, pages);
    connect(m_pageList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (m_session)
            m_session->ShowPage(m_pageList->row(item));
    });
    connect(m_pageList, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (m_session && m_pageList->row(item) != m_session->CurrentPage())
            m_session->ShowPage(m_pageList->row(item));
    });

    m_log = new QPlainTextEdit;
    m_log->setReadOnly(true);
    m_log->setAccessibleName(QStringLiteral("事件记录"));
    m_log->setMaximumBlockCount(20000);
    QFont mono(QStringLiteral("monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    m_log->setFont(mono);
    auto* log = new QDockWidget(QStringLiteral("事件记录"), this);
    log->setObjectName(QStringLiteral("log"));
    log->setWidget(m_log);
    addDockWidget(Qt::BottomDockWidgetArea, log);

    m_statusText = new QLabel;
    m_progress = new QProgressBar;
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(200);
    m_progress->hide();
    statusBar()->addWidget(m_statusText, 1);
    statusBar()->addPermanentWidget(m_progress);

    // The compiler renames a complete file over the old one, so the file is
    // whole the moment it changes: the reload need not wait. The timer only
    // merges the file's and the folder's notices of one change into one
    // reload. A file written in place may be caught half-way; the reader
    // refuses it, and the writer's last write brings another notice.
    m_reloadTimer.setSingleShot(true);
    m_reloadTimer.setInterval(0);
    connect(&m_reloadTimer, &QTimer::timeout, this, &SimulatorWindow::ReloadWatchedFile);
    // A compiler that writes a new file replaces or truncates it: watch the
    // folder too, so that a file that was replaced is still followed. Other
    // files of the folder change often (the project is saved beside it):
    // the reload then finds the shown file as it was and does nothing.
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_reloadTimer.start(); });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!m_filePath.isEmpty() && QFileInfo::exists(m_filePath))
            m_reloadTimer.start();
    });
    m_listenTimer.setInterval(kListenPollMs);
    connect(&m_listenTimer, &QTimer::timeout, this, &SimulatorWindow::PollListener);

    BuildMenus();
    resize(900, 640);
}

SimulatorWindow::~SimulatorWindow()
{
    m_screen->SetSession(nullptr);
    if (m_listener)
        m_listener->Stop();
}

void SimulatorWindow::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(QStringLiteral("打开(&O)..."), QKeySequence::Open, this, &SimulatorWindow::ChooseFile);
    file->addAction(QStringLiteral("重新加载(&R)"), QKeySequence(Qt::Key_F5), this, [this] {
        if (!m_filePath.isEmpty())
            OpenFile(m_filePath);
    });
    file->addAction(QStringLiteral("重新启动(&S)"), QKeySequence(Qt::CTRL | Qt::Key_R), this, [this] {
        if (m_image)
            Run(m_image, QStringLiteral("重新启动"));
    });
    file->addSeparator();
    file->addAction(QStringLiteral("退出(&X)"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    m_zoomGroup = new QActionGroup(this);
    for (int zoom = 1; zoom <= 3; ++zoom) {
        QAction* action = view->addAction(zoom == 1 ? QStringLiteral("原始大小 1:1") : QStringLiteral("放大 %1×").arg(zoom));
        action->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_0 + zoom)));
        action->setCheckable(true);
        action->setChecked(zoom == 1);
        action->setData(zoom);
        m_zoomGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, zoom] { SetZoom(zoom); });
    }
    view->addSeparator();
    view->addAction(QStringLiteral("清除记录(&C)"), this, [this] { m_log->clear(); });

    QMenu* port = menuBar()->addMenu(QStringLiteral("串口(&P)"));
    port->addAction(QStringLiteral("输出到串口(&O)..."), this, &SimulatorWindow::ChoosePort);
    port->addAction(QStringLiteral("关闭串口(&C)"), this, &SimulatorWindow::CloseSerialPort);
}

void SimulatorWindow::SetZoom(int zoom)
{
    m_screen->SetZoom(zoom);
    for (QAction* action : m_zoomGroup->actions())
        action->setChecked(action->data().toInt() == m_screen->Zoom());
}

QString SimulatorWindow::EditorLastCompiledFile()
{
    QSettings settings(QString::fromUtf8(kEditorSettingsOrganization), QString::fromUtf8(kEditorSettingsApplication));
    const QString path = settings.value(QLatin1String(kLastCompiledFileKey)).toString();
    return !path.isEmpty() && QFileInfo::exists(path) ? path : QString();
}

QString SimulatorWindow::LogText() const { return m_log->toPlainText(); }

void SimulatorWindow::Log(const QString& text)
{
    m_log->appendPlainText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("  ") + text);
}

SimulatorWindow::FileStamp SimulatorWindow::StampOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, uint64_t(info.st_dev), uint64_t(info.st_ino),
            int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, int64_t(info.st_size)};
}

bool SimulatorWindow::OpenFile(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // Read again, the same file keeps showing the page it showed.
    int pageId = -1;
    if (absolute == m_filePath && m_session && m_session->CurrentPage() >= 0)
        pageId = m_image->Pages()[size_t(m_session->CurrentPage())].id;
    if (m_filePath != absolute)
        WatchFile(absolute);
    // Stamped before reading: a change while it is read is a change.
    m_fileStamp = StampOf(absolute);
    QString error;
    auto image = render::TerminalImage::LoadFile(path, &error);
    if (!image) {
        m_lastError = QStringLiteral("%1：%2").arg(QDir::toNativeSeparators(path), error);
        Log(m_lastError);
        m_statusText->setText(m_lastError);
        return false;
    }
    m_lastError.clear();
    Run(std::move(image), QDir::toNativeSeparators(absolute), pageId);
    return true;
}

void SimulatorWindow::WatchFile(const QString& path)
{
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_filePath = path;
    if (QFileInfo::exists(path))
        m_watcher.addPath(path);
    m_watcher.addPath(QFileInfo(path).absolutePath());
}

void SimulatorWindow::ReloadWatchedFile()
{
    if (m_filePath.isEmpty())
        return;
    // The watch on a replaced file ends with the old file.
    if (!m_watcher.files().contains(m_filePath) && QFileInfo::exists(m_filePath))
        m_watcher.addPath(m_filePath);
    if (StampOf(m_filePath) == m_fileStamp)
        return;
    Log(QStringLiteral("文件已改变，重新加载"));
    OpenFile(m_filePath);
}

bool SimulatorWindow::RunMemoryImage(const std::vector<uint8_t>& bytes)
{
    QString error;
    auto image = render::TerminalImage::FromMemoryImage(bytes, m_listenDepth, &error);
    if (!image) {
        m_lastError = QStringLiteral("收到的影像无效：%1").arg(error);
        Log(m_lastError);
        m_statusText->setText(m_lastError);
        return false;
    }
    m_lastError.clear();
    Run(std::move(image), QStringLiteral("上传的影像（%1字节）").arg(bytes.size()));
    return true;
}

void SimulatorWindow::Run(std::shared_ptr<const render::TerminalImage> image, const QString& source, int pageId)
{
    m_screen->SetSession(nullptr);
    m_image = std::move(image);
    render::TerminalSession::Listener listener;
    listener.sent = [this](const render::SentBlock& sent) { OnSent(sent); };
    listener.pageShown = [this](int page) { OnPageShown(page); };
    listener.pressedChanged = [this] { m_screen->Refresh(); };
    m_session = std::make_unique<render::TerminalSession>(m_image, listener);

    m_pageList->clear();
    for (int i = 0; i < int(m_image->Pages().size()); ++i)
        m_pageList->addItem(PageLabel(*m_image, i));
    const QString summary = QStringLiteral("%1：%2 x %3，%4位色，%5页")
                                .arg(source)
                                .arg(m_image->Width())
                                .arg(m_image->Height())
                                .arg(m_image->Depth())
                                .arg(m_image->Pages().size());
    Log(QStringLiteral("运行 ") + summary);
    m_statusText->setText(summary);
    m_screen->SetSession(m_session.get());
    int first = 0;
    for (size_t i = 0; i < m_image->Pages().size(); ++i)
        if (int(m_image->Pages()[i].id) == pageId) {
            first = int(i);
            break;
        }
    m_session->Start(first);
    if (m_image->Pages().empty())
        Log(QStringLiteral("影像中没有页面"));
    m_screen->Refresh();
    emit ImageLoaded();
}

void SimulatorWindow::OnPageShown(int page)
{
    Log(QStringLiteral("显示") + PageLabel(*m_image, page));
    m_pageList->setCurrentRow(page);
    m_screen->Refresh();
}

void SimulatorWindow::OnSent(const render::SentBlock& sent)
{
    if (m_sentObserver)
        m_sentObserver(sent);
    const QByteArray& bytes = sent.block->bytes;
    Log(QStringLiteral("发送 %1 标签 %2：%3")
            .arg(ReasonText(sent.reason))
            .arg(sent.block->tag, 2, 16, QLatin1Char('0'))
            .arg(QString::fromLatin1(bytes.toHex(' ').toUpper())));
    if (m_port && !bytes.isEmpty()) {
        const long long written = m_port->Write(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        if (written != bytes.size() || !m_port->FlushOutput())
            Log(QStringLiteral("串口“%1”写入失败：%2").arg(m_portName, QString::fromStdString(m_port->LastError())));
    }
}

bool SimulatorWindow::OpenSerialPort(const QString& device, int baud)
{
    CloseSerialPort();
    auto port = upload::CreateSerialPort(device.toStdString());
    if (!port->Open() || !port->SetLineSettings(baud)) {
        m_lastError = QStringLiteral("无法打开串口“%1”：%2").arg(device, QString::fromStdString(port->LastError()));
        Log(m_lastError);
        return false;
    }
    port->PurgeAll();
    m_port = std::move(port);
    m_portName = device;
    Log(QStringLiteral("发送的数据同时输出到串口“%1”，%2波特").arg(device).arg(baud));
    return true;
}

void SimulatorWindow::CloseSerialPort()
{
    if (!m_port)
        return;
    m_port->Close();
    m_port.reset();
    Log(QStringLiteral("串口“%1”已关闭").arg(m_portName));
}

void SimulatorWindow::ChoosePort()
{
    QStringList names;
    QStringList paths;
    for (const upload::PortInfo& info : upload::EnumeratePorts()) {
        names << info.friendlyName;
        paths << info.devicePath;
    }
    bool ok = false;
    const QString name = QInputDialog::getItem(this, QStringLiteral("输出到串口"), QStringLiteral("串口："), names, 0, true, &ok);
    if (!ok || name.isEmpty())
        return;
    const qsizetype index = names.indexOf(name);
    const QString device = index >= 0 ? paths[index] : name;
    const QStringList rates = {"921600", "460800", "230400", "115200", "57600", "56000", "38400",
                               "19200",  "14400",  "9600",   "4800",   "2400",  "1200"};
    const QString rate =
        QInputDialog::getItem(this, QStringLiteral("输出到串口"), QStringLiteral("波特率："), rates, 3, false, &ok);
    if (!ok)
        return;
    if (!OpenSerialPort(device, rate.toInt()))
        QMessageBox::warning(this, windowTitle(), m_lastError);
}

void SimulatorWindow::ChooseFile()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开编译文件"), QFileInfo(m_filePath).absolutePath(),
                                                      QStringLiteral("KDX触屏工程编译文件 (*.kdpbin);;所有文件 (*)"));
    if (!path.isEmpty() && !OpenFile(path))
        QMessageBox::warning(this, windowTitle(), m_lastError);
}

QString SimulatorWindow::StartListening(int depth)
{
    m_listenDepth = depth;
    auto terminal = std::make_unique<vterm::VirtualTerminal>();
    std::string error;
    if (!terminal->Start(&error)) {
        m_lastError = QStringLiteral("无法打开伪终端：%1").arg(QString::fromStdString(error));
        Log(m_lastError);
        return {};
    }
    m_listener = std::move(terminal);
    m_downloadsSeen = m_listener->DownloadsCompleted();
    m_listenTimer.start();
    const QString path = QString::fromStdString(m_listener->DevicePath());
    Log(QStringLiteral("等待上传：%1").arg(path));
    if (!m_image)
        m_statusText->setText(QStringLiteral("等待上传：%1").arg(path));
    return path;
}

void SimulatorWindow::PollListener()
{
    const bool downloading = m_listener->Downloading();
    if (downloading) {
        const uint32_t size = m_listener->AnnouncedSize();
        const int percent = size ? int(uint64_t(m_listener->ReceivedBytes()) * 100 / size) : 0;
        if (!m_wasDownloading)
            Log(QStringLiteral("开始接收影像：%1字节，%2 x %3")
                    .arg(size)
                    .arg(m_listener->AnnouncedWidth())
                    .arg(m_listener->AnnouncedHeight()));
        m_progress->setValue(percent);
        m_progress->show();
    }
    if (m_listener->DownloadsCompleted() != m_downloadsSeen) {
        // Taken from the finished download, which a next upload starting
        // at once does not empty.
        vterm::FinishedDownload finished = m_listener->LastFinished();
        m_downloadsSeen = finished.number;
        m_progress->hide();
        Log(QStringLiteral("影像接收完毕"));
        RunMemoryImage(finished.image);
    } else if (m_wasDownloading && !downloading) {
        m_progress->hide();
        Log(QStringLiteral("上传中断，已放弃收到的数据"));
    }
    m_wasDownloading = downloading;
}

} // namespace kdx::sim
