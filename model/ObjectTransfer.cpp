#include "model/ObjectTransfer.h"

#include "common/Archive.h"
#include "model/DrawObj.h"
#include "model/PageDoc.h"
#include "model/ProjectFormat.h"
#include "model/ProjectRecord.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace kdx {
namespace {

// A relative picture path of the origin's folder, as a path that finds the
// same file from the target project; unchanged when it already does or the
// file is not there.
QString PicturePathFor(const QString& path, const QString& fromFolder, const QString& toFolder)
{
    if (path.isEmpty() || QFileInfo(path).isAbsolute() || fromFolder.isEmpty() ||
        QDir::cleanPath(fromFolder) == QDir::cleanPath(toFolder))
        return path;
    const QString absolute = ResolvedPicturePath(path, fromFolder);
    return QFileInfo(absolute).isFile() ? absolute : path;
}

bool FitsInt32(int64_t v)
{
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

} // namespace

std::vector<uint8_t> WriteObjectTransfer(const ObjectOrigin& origin, std::span<const CDrawObj* const> objects)
{
    ArchiveWriter out;
    out.U32(kObjectTransferMagic);
    out.U32(kObjectTransferVersion);
    out.String(origin.sessionToken.toStdU16String());
    out.U32(origin.pageId);
    out.String(origin.projectFolder.toStdU16String());
    out.Count(uint32_t(objects.size()));
    for (const CDrawObj* object : objects) {
        ObjectRecord record;
        object->ToRecord(record);
        WriteObjectRecord(out, record);
    }
    return std::move(out.Data());
}

ObjectTransferRead ReadObjectTransfer(CPageDoc& doc, CPage* page, std::span<const uint8_t> bytes)
{
    ObjectTransferRead read;
    if (bytes.size() > kMaxObjectTransferBytes) {
        read.error = QString::fromUtf16(u"数据过大");
        return read;
    }
    try {
        ArchiveReader in(bytes);
        if (in.Remaining() < 8 || in.U32() != kObjectTransferMagic) {
            read.error = QString::fromUtf16(u"不是对象数据");
            return read;
        }
        if (in.U32() != kObjectTransferVersion) {
            read.error = QString::fromUtf16(u"不支持的版本");
            return read;
        }
        read.origin.sessionToken = QString::fromStdU16String(in.String());
        read.origin.pageId = in.U32();
        read.origin.projectFolder = QString::fromStdU16String(in.String());
        const uint32_t count = in.Count();
        if (count > kMaxObjectsPerPage)
            throw ArchiveError(ArchiveFault::BadCount, "too many objects (" + std::to_string(count) + ")");
        // Pictures are decoded once the objects are placed, from where they
        // are found then.
        struct DecodingOff {
            CPageDoc& doc;
            const bool was = doc.ImageDecoding();
            explicit DecodingOff(CPageDoc& d) : doc(d) { doc.SetImageDecoding(false); }
            ~DecodingOff() { doc.SetImageDecoding(was); }
        } decodingOff(doc);
        if (count > in.Remaining() / kMinObjectBytes)
            throw ArchiveError(ArchiveFault::BadCount, "too many objects (" + std::to_string(count) + ") for the data");
        std::vector<ObjectRecord> records;
        for (uint32_t i = 0; i < count; ++i)
            if (std::optional<ObjectRecord> record = ReadObjectRecord(in))
                records.push_back(std::move(*record));
        read.objects = doc.MakeObjects(page, records);
        if (!in.AtEnd())
            throw ArchiveError(ArchiveFault::BadCount,
                               std::to_string(in.Remaining()) + " bytes after the last object");
    } catch (const std::bad_alloc&) {
        read.objects.clear();
        read.error = QString::fromUtf16(u"内存不足");
    } catch (const ArchiveError& e) {
        read.objects.clear();
        read.error = DescribeArchiveError(e);
    } catch (const std::exception& e) {
        read.objects.clear();
        read.error = QString::fromLocal8Bit(e.what());
    }
    return read;
}

PlacedObjects PlaceTransferredObjects(CPageDoc& doc, ObjectTransferRead& read, int32_t dx, int32_t dy,
                                      bool sameProject)
{
    PlacedObjects placed;
    if (!doc.CurrentPage())
        return placed;
    for (std::unique_ptr<CDrawObj>& object : read.objects) {
        CDrawObj* added = doc.AddObject(std::move(object));
        if (!added)
            break;
        placed.objects.push_back(added);
        if (added->JumpTarget() != kNoPage && (!sameProject || !doc.FindPage(added->JumpTarget()))) {
            added->SetJumpTarget(kNoPage);
            ++placed.clearedJumps;
        }
        const PageRect r = added->Bounds();
        if (FitsInt32(int64_t(r.left) + dx) && FitsInt32(int64_t(r.top) + dy) && FitsInt32(int64_t(r.right) + dx) &&
            FitsInt32(int64_t(r.bottom) + dy))
            added->MoveTo(r.left + dx, r.top + dy);
        if (auto* image = dynamic_cast<CDrawImage*>(added)) {
            const QString from = read.origin.projectFolder, to = doc.ProjectFolder();
            // Setting the path again decodes a picture read without pixels.
            if (image->NormalImage())
                image->SetNormalImage(PicturePathFor(image->NormalImage()->path, from, to));
            if (image->PressedImage())
                image->SetPressedImage(PicturePathFor(image->PressedImage()->path, from, to));
        }
    }
    read.objects.clear();
    return placed;
}

} // namespace kdx
