#pragma once
#include "model/ModelTypes.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kdx {

class CDrawObj;
class CPage;
class CPageDoc;

// Where copied page objects came from: the editor session, the page, and
// the folder against which their relative image paths resolve.
struct ObjectOrigin {
    QString sessionToken;
    uint32_t pageId = kNoPage;
    QString projectFolder;
};

// Page objects as they travel between editors: a magic number and version,
// the origin, the object count, then each object class-tagged in the
// project file's own form.
constexpr uint32_t kObjectTransferMagic = 0x4A424F4Bu; // "KOBJ"
constexpr uint32_t kObjectTransferVersion = 1;
constexpr size_t kMaxObjectTransferBytes = size_t(64) << 20;

std::vector<uint8_t> WriteObjectTransfer(const ObjectOrigin& origin, std::span<const CDrawObj* const> objects);

struct ObjectTransferRead {
    ObjectOrigin origin;
    std::vector<std::unique_ptr<CDrawObj>> objects;
    QString error; // why the data was refused; empty when it was read
};

// Reads transferred bytes, which may come from anywhere, into objects
// attached to `page` but not yet on it. Damaged data of any kind gives an
// error and no objects.
ObjectTransferRead ReadObjectTransfer(CPageDoc& doc, CPage* page, std::span<const uint8_t> bytes);

struct PlacedObjects {
    std::vector<CDrawObj*> objects;
    int clearedJumps = 0; // objects whose jump target was cleared
};

// Puts read objects on the document's current page, on top: each gets a new
// object id (and a free custom id), keeps its jump only when the objects
// come from this project (`sameProject`: page ids of another project name
// unrelated pages here) and the page it names exists, is moved by (dx, dy)
// where that stays in range, and keeps its pictures (relative paths from
// another folder are made absolute).
PlacedObjects PlaceTransferredObjects(CPageDoc& doc, ObjectTransferRead& read, int32_t dx, int32_t dy,
                                      bool sameProject);

} // namespace kdx
