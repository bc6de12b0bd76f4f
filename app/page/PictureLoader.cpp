#include "app/page/PictureLoader.h"

#include "common/Crc32.h"
#include "common/FrameCache.h"
#include "terminal/PixelConvert.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace kdx {

QImage DecodePictureForView(const CPageDoc::PictureRequest& request, const FrameCache* cache, PictureSource* source)
{
    const QFileInfo info(request.file);
    // Only regular files: a path naming a pipe or a device must not block.
    if (!info.isFile())
        return {};
    *source = {request.file, info.lastModified(), info.size(), request.colorDepth};
    QFile file(request.file);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const int width = request.size.width(), height = request.size.height(), depth = int(request.colorDepth);
    std::optional<FileIdentity> identity = cache ? FileIdentity::Of(file.handle()) : std::nullopt;
    file.seek(0);
    CacheKey key;
    if (identity) {
        key.Add("kdx-view-frame-1").Add(qVersion()).Add(identity->Text()).Add(width).Add(height).Add(depth);
        std::unique_ptr<CachedBytes> cached = cache->Find(key);
        if (std::optional<std::vector<uint8_t>> bytes = cached ? cached->Read() : std::nullopt) {
            const QByteArray frame = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size()));
            if (QImage bitmap = PixelsToImage(frame, width, height, depth); !bitmap.isNull())
                return bitmap;
        }
    }
    QImageReader reader(&file);
    PreferSignatureFormat(reader);
    const QByteArray frame = ConvertImageToPixels(reader.read(), width, height, depth);
    if (frame.isEmpty())
        return {};
    if (identity) {
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size()));
        cache->Store(key, bytes, ComputeCrc32(bytes));
    }
    return PixelsToImage(frame, width, height, depth);
}

PictureLoader::PictureLoader(CPageDoc& doc) : m_doc(doc), m_cache(FrameCache::OpenDefault())
{
    m_doc.SetPictureLoader([this](std::vector<CPageDoc::PictureRequest> requests) { Load(std::move(requests)); });
}

PictureLoader::~PictureLoader()
{
    m_doc.SetPictureLoader({});
    m_pool.waitForDone(); // what is still posted to this object is dropped with it
}

void PictureLoader::Load(std::vector<CPageDoc::PictureRequest> requests)
{
    for (CPageDoc::PictureRequest& request : requests)
        m_pool.start([this, request = std::move(request)] {
            PictureSource source;
            const QImage bitmap = DecodePictureForView(request, m_cache.get(), &source);
            QMetaObject::invokeMethod(
                this, [this, request, bitmap, source] { m_doc.TakeDecodedPicture(request, bitmap, source); },
                Qt::QueuedConnection);
        });
}

void PictureLoader::WaitForAll()
{
    m_pool.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

} // namespace kdx
