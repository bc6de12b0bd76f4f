#pragma once
#include "common/FileHeader.h"
#include "terminal/VirtualTerminal.h"
#include "upload/UploadWorker.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <ostream>

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace kdx::upload::test {

// A directory of its own for each test, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed = 1);

// Writes a sealed file: a header of the given kind, then 'image'.
void WriteSealedFile(const std::string& path, const std::vector<uint8_t>& image,
                     uint32_t kind = FileHeader::kCompiledKind, uint16_t width = 800, uint16_t height = 480);

// Short detect waits keep searches over a local pseudo-terminal quick.
inline UploadTimeouts FastTimeouts()
{
    UploadTimeouts t;
    t.detectMs = 100;
    return t;
}

struct RunResult {
    bool done = false;
    QStringList lines;
    std::vector<int> progress;
};

// Runs one upload through the worker on a Qt thread, collecting the log.
RunResult RunUpload(const std::string& port, const std::string& file, int baud,
                    std::atomic<bool>* cancel = nullptr, UploadTimeouts timeouts = FastTimeouts());


} // namespace kdx::upload::test
