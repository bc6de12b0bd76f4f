#include "upload/UploadWorker.h"

#include "upload/CompiledFile.h"
#include "upload/PortDiscovery.h"
#include "upload/UploadStrings.h"

#include <QFile>

#include <stdexcept>

namespace kdx::upload {

UploadWorker::UploadWorker(UploadJob job, UploadCallbacks callbacks, const std::atomic<bool>& cancel,
                           UploadTimeouts timeouts)
    : m_job(std::move(job)), m_callbacks(std::move(callbacks)), m_cancel(cancel), m_timeouts(timeouts)
{
}

void UploadWorker::Log(const QString& line)
{
    if (m_callbacks.updateTaskStatus)
        m_callbacks.updateTaskStatus(line);
}

bool UploadWorker::Run()
{
    if (m_cancel.load())
        return false;
    if (m_callbacks.updateTaskUi)
        m_callbacks.updateTaskUi(true);
    bool done = false;
    try {
        done = Upload();
    } catch (const UploadAborted&) {
        // Its line is already in the log.
    } catch (const std::exception& e) {
        Log("*" + QString::fromStdString(e.what()) + "\r\n");
    }
    if (m_callbacks.updateTaskUi)
        m_callbacks.updateTaskUi(false);
    return done;
}

bool UploadWorker::Upload()
{
    // The port is closed when it goes out of scope, whatever ends the run.
    std::unique_ptr<ISerialPort> port = CreateSerialPort(QFile::encodeName(m_job.portPath).toStdString());
    UploadProtocol protocol(*port, m_cancel, [this](const QString& line) { Log(line); }, m_timeouts);
    protocol.SetProgressCallback(m_callbacks.progress);

    protocol.ThrowIfCancelled();
    Log(LoadString(IDS_OPENING_PORT));
    if (const QString problem = PortPathProblem(m_job.portPath); !problem.isEmpty()) {
        Log(problem);
        return false;
    }
    protocol.Connect(m_job.baud);

    protocol.ThrowIfCancelled();
    Log(LoadString(IDS_LOADING));
    CompiledImage file = LoadCompiledImage(m_job.filePath, [this](const QString& line) { Log(line); });

    Log(FormatString(IDS_SENDING, unsigned(file.image.size())));
    protocol.ThrowIfCancelled();
    protocol.BeginDownload(file.header.width, file.header.height, uint32_t(file.image.size()));
    protocol.ThrowIfCancelled();
    protocol.SendImage(file.image);

    port->Close();
    file.image = {};
    Log(LoadString(IDS_SEND_DONE));
    return true;
}

} // namespace kdx::upload

#include <QThread>

namespace kdx::upload {

void RunOnQtThread(const std::function<void()>& work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    thread->wait();
}

} // namespace kdx::upload
