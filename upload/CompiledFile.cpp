#include "upload/CompiledFile.h"

#include "upload/Protocol.h"
#include "upload/UploadStrings.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace kdx::upload {

bool IsLoadableFile(const QString& path) { return QFileInfo(path).isFile(); }

CompiledImage LoadCompiledImage(const QString& path, const std::function<void(const QString&)>& log)
{
    auto fail = [&](const QString& line) {
        log(line);
        throw UploadAborted{};
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(file.errorString().toStdString());
    const qint64 length = file.size();
    if (uint64_t(length) >= 0xFFFFFFFFull)
        fail(FormatString(IDS_FILE_TOO_BIG, (unsigned long long)(length / 1024)));

    std::vector<uint8_t> bytes(size_t(length), 0);
    const qint64 headerRead =
        length > 0 ? file.read(reinterpret_cast<char*>(bytes.data()), std::min<qint64>(length, FileHeader::kSize)) : 0;
    std::optional<FileHeader> header;
    if (length > qint64(FileHeader::kSize) && headerRead == qint64(FileHeader::kSize))
        header = FileHeader::Parse(bytes);
    if (!header || header->kind != FileHeader::kCompiledKind)
        fail(LoadString(IDS_NOT_COMPILED));

    const qint64 restWanted = length - qint64(FileHeader::kSize);
    const qint64 restRead = file.read(reinterpret_cast<char*>(bytes.data()) + FileHeader::kSize, restWanted);
    // A short read leaves nothing to check the seal against.
    if (restRead != restWanted)
        fail(LoadString(IDS_READ_FAILED));
    if (CheckCompiledFile(bytes) != CompiledCheck::Ok)
        fail(LoadString(IDS_FILE_DAMAGED));

    const std::u16string remark = header->Remark();
    log(FormatString(IDS_FILE_CHECKED, header->MajorVersion(), header->MinorVersion(), header->hardwareId,
                     int(header->width), int(header->height), int(header->colorDepth),
                     QString::fromStdU16String(remark).toUtf8().constData()));
    return {*header, std::vector<uint8_t>(bytes.begin() + FileHeader::kSize, bytes.end())};
}

} // namespace kdx::upload
