#include "tests/upload/UploadTestSupport.h"

#include <fstream>
#include <random>
#include <stdexcept>
#include <unistd.h>

namespace kdx::upload::test {

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kdx-upload-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes)
        b = uint8_t(random());
    return bytes;
}

void WriteSealedFile(const std::string& path, const std::vector<uint8_t>& image, uint32_t kind, uint16_t width,
                     uint16_t height)
{
    FileHeader header;
    header.kind = kind;
    header.width = width;
    header.height = height;
    header.hardwareId = 0xA5;
    header.SetRemark(u"测试工程");
    std::vector<uint8_t> file;
    auto head = header.Bytes();
    file.insert(file.end(), head.begin(), head.end());
    file.insert(file.end(), image.begin(), image.end());
    SealBytes(file);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

RunResult RunUpload(const std::string& port, const std::string& file, int baud, std::atomic<bool>* cancel,
                    UploadTimeouts timeouts)
{
    std::atomic<bool> never{false};
    RunResult result;
    UploadCallbacks callbacks;
    callbacks.updateTaskStatus = [&](const QString& line) { result.lines << line; };
    callbacks.progress = [&](int percent) { result.progress.push_back(percent); };
    UploadJob job{QString::fromStdString(file), baud, QString::fromStdString(port)};
    RunOnQtThread([&] { result.done = UploadWorker(job, callbacks, cancel ? *cancel : never, timeouts).Run(); });
    return result;
}

} // namespace kdx::upload::test
