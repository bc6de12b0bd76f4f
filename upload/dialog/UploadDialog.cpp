#include "upload/dialog/UploadDialog.h"

#include "upload/CompiledFile.h"
#include "upload/PortDiscovery.h"
#include "upload/UploadStrings.h"
#include "upload/UploadWorker.h"

#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace kdx::upload {
namespace {

QPixmap BannerPixmap()
{
    QPixmap banner(600, 80);
    QPainter p(&banner);
    QLinearGradient gradient(0, 0, banner.width(), 0);
    gradient.setColorAt(0, QColor(0x1F, 0x4E, 0x8C));
    gradient.setColorAt(1, QColor(0x6F, 0xA8, 0xDC));
    p.fillRect(banner.rect(), gradient);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.drawText(banner.rect().adjusted(20, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, "KDX  ⇢  触屏终端");
    return banner;
}

QIcon AppIcon()
{
    QPixmap icon(32, 32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0x1F, 0x4E, 0x8C));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(2, 4, 28, 22, 4, 4);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(16, 9), QPoint(23, 17), QPoint(9, 17)}));
    return QIcon(icon);
}

// "a|b|c|d||" becomes "a;;c": the descriptions carry their patterns.
QStringList NameFilters(const QString& filter)
{
    const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters;
}

template <typename W>
W* Tagged(W* widget, const char* name, int id)
{
    widget->setObjectName(name);
    widget->setProperty("controlId", id);
    return widget;
}

} // namespace

UploadDialog::UploadDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowIcon(AppIcon());
    BuildControls();
    connect(this, &UploadDialog::UpdateTaskUi, this, &UploadDialog::OnTaskUi, Qt::BlockingQueuedConnection);
    connect(this, &UploadDialog::UpdateTaskStatus, this, &UploadDialog::OnTaskStatus, Qt::BlockingQueuedConnection);
    connect(this, &UploadDialog::UpdateProgress, this, &UploadDialog::OnProgress, Qt::BlockingQueuedConnection);
    for (const BaudEntry& e : kBaudTable)
        m_baud->addItem(QString::number(e.rate), e.rate);
    m_baud->setCurrentIndex(m_baud->findData(kDefaultBaud));
    RefreshPorts();
}

UploadDialog::~UploadDialog()
{
    if (m_worker)
        StopWorker();
}

void UploadDialog::BuildControls()
{
    auto* banner = new QLabel;
    banner->setPixmap(BannerPixmap());
    banner->setScaledContents(true);
    banner->setFixedHeight(80);

    m_file = Tagged(new QLineEdit, "fileEdit", kIdFile);
    auto* browse = Tagged(new QPushButton(QString::fromUtf8("浏览(&R)...")), "browseButton", kIdBrowse);
    m_baud = Tagged(new QComboBox, "baudList", kIdBaud);
    m_port = Tagged(new QComboBox, "portList", kIdPort);
    auto* refresh = Tagged(new QPushButton(QString::fromUtf8("刷新(&E)")), "refreshButton", kIdRefresh);
    m_log = Tagged(new QPlainTextEdit, "logEdit", kIdLog);
    m_log->setReadOnly(true);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette logPalette = m_log->palette();
    logPalette.setColor(QPalette::Base, logPalette.color(QPalette::Window));
    m_log->setPalette(logPalette);
    m_progress = new QProgressBar;
    m_progress->setObjectName("progressBar");
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    auto* separator = new QFrame;
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    m_start = Tagged(new QPushButton(QString::fromUtf8("开始")), "startButton", kIdStart);
    m_cancelButton = Tagged(new QPushButton(QString::fromUtf8("取消")), "cancelButton", kIdCancel);
    m_close = Tagged(new QPushButton(QString::fromUtf8("关闭")), "closeButton", kIdClose);
    m_start->setDefault(true);

    auto label = [](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text));
        l->setBuddy(buddy);
        return l;
    };
    auto* fields = new QGridLayout;
    fields->addWidget(label("工程文件(&F)：", m_file), 0, 0);
    fields->addWidget(m_file, 0, 1);
    fields->addWidget(browse, 0, 2);
    fields->addWidget(label("通信波特(&B)：", m_baud), 1, 0);
    fields->addWidget(m_baud, 1, 1);
    fields->addWidget(label("通信端口(P)：", m_port), 2, 0);
    fields->addWidget(m_port, 2, 1);
    fields->addWidget(refresh, 2, 2);

    // Start and Cancel share one place; only one of them is visible.
    auto* buttons = new QGridLayout;
    buttons->setColumnStretch(0, 1);
    buttons->addWidget(m_start, 0, 1);
    buttons->addWidget(m_cancelButton, 0, 1);
    buttons->addWidget(m_close, 0, 2);
    m_cancelButton->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(banner);
    layout->addLayout(fields);
    layout->addWidget(m_log, 1);
    layout->addWidget(m_progress);
    layout->addWidget(separator);
    layout->addLayout(buttons);
    resize(600, 460);

    connect(browse, &QPushButton::clicked, this, &UploadDialog::Browse);
    connect(refresh, &QPushButton::clicked, this, &UploadDialog::RefreshPorts);
    connect(m_start, &QPushButton::clicked, this, &UploadDialog::Start);
    connect(m_cancelButton, &QPushButton::clicked, this, &UploadDialog::Cancel);
    connect(m_close, &QPushButton::clicked, this, &UploadDialog::reject);
}

void UploadDialog::SetFilePath(const QString& path) { m_file->setText(path); }

void UploadDialog::RefreshPorts() { SetPorts(EnumeratePorts()); }

void UploadDialog::SetPorts(const std::vector<PortInfo>& ports)
{
    m_portList.clear();
    m_port->clear();
    for (const PortInfo& port : ports) {
        m_port->addItem(port.friendlyName);
        m_portList[port.friendlyName] = port.devicePath; // a later equal name wins
    }
    m_port->setCurrentIndex(m_port->count() > 0 ? 0 : -1);
}

void UploadDialog::Browse()
{
    QFileDialog dialog(this, windowTitle());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(LoadString(IDS_FILE_FILTER)));
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_file->setText(dialog.selectedFiles().first());
}

void UploadDialog::Warn(int stringId, int icon)
{
    QMessageBox box(QMessageBox::Icon(icon), windowTitle(), LoadString(stringId).trimmed(), QMessageBox::Ok, this);
    box.exec();
}

bool UploadDialog::CheckInputs(QString* portPath)
{
    if (!IsLoadableFile(m_file->text())) {
        Warn(IDS_NEED_FILE, QMessageBox::Warning);
        return false;
    }
    if (m_baud->currentIndex() < 0) {
        Warn(IDS_NEED_BAUD, QMessageBox::Warning);
        return false;
    }
    auto port = m_portList.constFind(m_port->currentText());
    if (port == m_portList.constEnd()) {
        Warn(IDS_NEED_PORT, QMessageBox::Warning);
        return false;
    }
    *portPath = *port;
    return true;
}

void UploadDialog::Start()
{
    if (m_busy || m_stopping)
        return;
    if (m_worker)
        StopWorker();
    m_log->clear();
    m_progress->setValue(0);
    QString portPath;
    if (!CheckInputs(&portPath))
        return;

    m_cancel = false;
    m_busy = false;
    UploadJob job{m_file->text(), m_baud->currentData().toInt(), portPath};
    UploadCallbacks callbacks;
    callbacks.updateTaskUi = [this](bool busy) { emit UpdateTaskUi(busy); };
    callbacks.updateTaskStatus = [this](const QString& text) { emit UpdateTaskStatus(text); };
    callbacks.progress = [this](int percent) { emit UpdateProgress(percent); };
    m_workerEnded = false;
    m_worker.reset(QThread::create([this, job, callbacks] {
        UploadWorker(job, callbacks, m_cancel).Run();
        m_workerEnded = true;
    }));
    if (!m_worker) {
        m_workerEnded = true;
        Warn(IDS_START_FAILED, QMessageBox::Critical);
        return;
    }
    m_worker->start();
}

void UploadDialog::StopWorker()
{
    if (!m_worker || m_stopping)
        return;
    m_stopping = true;
    m_cancel = true;
    if (!m_workerEnded) {
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (m_workerEnded)
                loop.quit();
        });
        poll.start(5);
        loop.exec();
    }
    m_worker->wait();
    m_worker.reset();
    m_stopping = false;
}

void UploadDialog::Cancel()
{
    if (m_busy)
        StopWorker();
}

void UploadDialog::reject()
{
    if (m_stopping)
        return;
    if (m_busy) {
        QMessageBox ask(QMessageBox::Question, windowTitle(), LoadString(IDS_ASK_STOP).trimmed(),
                        QMessageBox::Yes | QMessageBox::No, this);
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() != QMessageBox::Yes)
            return;
    }
    StopWorker();
    QDialog::reject();
}

void UploadDialog::OnTaskUi(bool busy)
{
    m_busy = busy;
    m_start->setVisible(!busy);
    m_cancelButton->setVisible(busy);
}

void UploadDialog::OnTaskStatus(const QString& text)
{
    QString line = text;
    line.replace("\r\n", "\n");
    m_log->moveCursor(QTextCursor::End);
    m_log->insertPlainText(line);
    m_log->ensureCursorVisible();
}

void UploadDialog::OnProgress(int percent) { m_progress->setValue(percent); }

} // namespace kdx::upload
