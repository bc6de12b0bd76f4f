#pragma once
#include "terminal/MemoryImageLayout.h"
#include "terminal/ScreenTypes.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

constexpr uint32_t kNoPage = image_layout::kNoPage; // jump target "none", as the memory image holds it
constexpr uint32_t kMaxPageId = 65534;
constexpr uint32_t kMaxCustomId = 65534;
constexpr size_t kMaxPages = 65534;
constexpr size_t kMaxObjectsPerPage = 65534;
constexpr size_t kMaxSendDataBytes = 65535;
constexpr int kMaxTextUnits = 1024;       // including the terminating zero

// The editor's view settings, stored right after the header.
struct ViewSettings {
    static constexpr uint32_t kSize = 24;
    uint32_t size = kSize;
    uint32_t lastObjectId = 0;
    uint32_t gridWidth = 4;
    uint32_t gridHeight = 4;
    Color gridColor = 0x00808080; // grey text; the editor sets its palette's
    uint32_t reserved = 0;
};

// Entries of the document's shared tables. Pages and objects hold pointers
// to them; each holder accounts for one reference.
// The file a picture was decoded from, as it was then, and the pixel
// format it was converted to.
struct PictureSource {
    QString file; // resolved against the project folder
    QDateTime modified;
    qint64 size = -1;
    uint32_t colorDepth = 0;
    bool operator==(const PictureSource&) const = default;
};

struct ImageEntry {
    int refs = 0;
    QString path;   // exactly as stored in the project
    QImage bitmap;  // in the project's pixel format; null when the file could not be decoded
    PictureSource source; // of the bitmap
    // Pictures of a project being read may be decoded later, when a page
    // that shows them is drawn: waiting, then asked for, then decoded.
    enum class Decoding { Done, Waiting, Asked };
    Decoding decoding = Decoding::Done;
};

struct TextEntry {
    int refs = 0;
    std::u16string text; // including its terminating zero unit
};

struct SendDataEntry {
    int refs = 0;
    uint32_t tag = 0;
    std::vector<uint8_t> bytes; // 1..65535 bytes
};

} // namespace kdx
