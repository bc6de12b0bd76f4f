#pragma once
#include "common/FileHeader.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace kdx::upload {

// A compiled file ready to send: its header and the memory image after it.
struct CompiledImage {
    FileHeader header;
    std::vector<uint8_t> image;
};

// Loads a compiled file and checks it (size, kind, seal), logging the check
// line on success. A failed check logs its "*" line and throws UploadAborted;
// a file that cannot be opened throws std::runtime_error with the system's
// description.
// Whether 'path' names a file that can be loaded at all: a regular file, not
// a folder, a FIFO or a device, which would block or never end.
bool IsLoadableFile(const QString& path);

CompiledImage LoadCompiledImage(const QString& path, const std::function<void(const QString&)>& log);

} // namespace kdx::upload
