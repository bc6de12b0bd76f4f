#pragma once
#include "upload/Protocol.h"

#include <QString>
#include <atomic>
#include <functional>

namespace kdx::upload {

struct UploadJob {
    QString filePath;
    int baud = kDefaultBaud;
    QString portPath;
};

// How the worker tells its owner what happens. Each call is synchronous:
// the worker goes on only after the owner has handled it.
struct UploadCallbacks {
    std::function<void(bool busy)> updateTaskUi;
    std::function<void(const QString& line)> updateTaskStatus;
    std::function<void(int percent)> progress; // after each progress line
};

// One upload run: connect and switch the terminal's rate, load and check
// the file, announce the download and send the image. Runs on the calling
// thread; the cancel flag may be set from any other.
class UploadWorker {
public:
    UploadWorker(UploadJob job, UploadCallbacks callbacks, const std::atomic<bool>& cancel,
                 UploadTimeouts timeouts = {});

    // True only when the whole image was sent (">发送完毕" logged).
    bool Run();

private:
    bool Upload();
    void Log(const QString& line);

    UploadJob m_job;
    UploadCallbacks m_callbacks;
    const std::atomic<bool>& m_cancel;
    UploadTimeouts m_timeouts;
};

} // namespace kdx::upload

namespace kdx::upload {

// Runs 'work' on a QThread of its own and waits for it. The port needs a
// thread with a Qt event dispatcher, which plain threads and a program
// without a QCoreApplication lack.
void RunOnQtThread(const std::function<void()>& work);

} // namespace kdx::upload
