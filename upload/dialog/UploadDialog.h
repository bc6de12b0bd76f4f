#pragma once
#include "upload/PortDiscovery.h"

#include <QDialog>
#include <QMap>
#include <atomic>
#include <memory>
#include <vector>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QThread;

namespace kdx::upload {

// The uploader's dialog: file, rate and port, Start/Cancel, and the log of
// the worker thread that does the upload. The worker talks to the dialog
// only through the blocking signals below.
class UploadDialog : public QDialog {
    Q_OBJECT
public:
    // Numeric ids of the controls (kept as the "controlId" property).
    enum ControlId {
        kIdStart = 1, kIdClose = 2, kIdCancel = 3, kIdFile = 1000, kIdBrowse = 1001,
        kIdBaud = 1002, kIdPort = 1003, kIdRefresh = 1004, kIdLog = 1005,
    };

    explicit UploadDialog(QWidget* parent = nullptr);
    ~UploadDialog() override;

    void SetFilePath(const QString& path);
    // Fills the port list; a later port with an equal name takes its path.
    void SetPorts(const std::vector<PortInfo>& ports);
    bool IsBusy() const { return m_busy; }
    bool HasWorker() const { return m_worker != nullptr; }

public slots:
    void RefreshPorts();
    void Start();
    void Cancel();
    void Browse();
    void reject() override; // Close, Esc and the window's close box

signals:
    // Emitted from the worker thread; each returns once the dialog handled it.
    void UpdateTaskUi(bool busy);
    void UpdateTaskStatus(const QString& text);
    void UpdateProgress(int percent);

private slots:
    void OnTaskUi(bool busy);
    void OnTaskStatus(const QString& text);
    void OnProgress(int percent);

private:
    void BuildControls();
    bool CheckInputs(QString* portPath);
    void Warn(int stringId, int icon);
    // Sets the cancel flag and keeps handling events until the worker has
    // ended, so that its blocking signals cannot dead-lock.
    void StopWorker();

    QLineEdit* m_file = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_port = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_close = nullptr;

    QMap<QString, QString> m_portList; // friendly name -> device path
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_workerEnded{true};
    bool m_busy = false;
    bool m_stopping = false;
    std::unique_ptr<QThread> m_worker;
};

} // namespace kdx::upload
