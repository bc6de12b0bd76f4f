#pragma once
#include "common/Archive.h"
#include "common/FileHeader.h"
#include "model/ModelTypes.h"
#include "model/ObjectKind.h"
#include "model/ProjectError.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

struct SendBlockRecord {
    uint32_t tag = 0;
    std::vector<uint8_t> bytes; // 1..65535 bytes
    bool operator==(const SendBlockRecord&) const = default;
};

// One page object with every field its stored form holds. Fields a kind does
// not store keep their defaults.
struct ObjectRecord {
    ObjectKind kind = ObjectKind::Rect;
    uint32_t objectId = 0;
    Color lineColor = kNoColor;
    Color fillColor = kNoColor;
    uint32_t jumpTarget = kNoPage;
    uint32_t executeCondition = 0;
    PageRect rect; // the stored rectangle: bounds, or a line's start and end points
    std::optional<SendBlockRecord> sendData;
    int32_t radius = 5;
    uint32_t fontId = 1;
    int32_t tabSize = 8;
    int32_t lineSpacing = 0;
    int32_t charSpacing = 0;
    std::optional<std::u16string> text; // units as stored, with the terminating zero
    std::u16string normalImage;         // paths as stored, empty for none
    std::u16string pressedImage;
    uint32_t customId = 0;

    bool operator==(const ObjectRecord&) const = default;
};

struct PageRecord {
    uint32_t pageId = 0;
    std::u16string name;
    Color backgroundColor = kNoColor;
    std::u16string backgroundImage;
    std::optional<SendBlockRecord> loadSend;
    std::optional<SendBlockRecord> unloadSend;
    std::vector<ObjectRecord> objects;

    bool operator==(const PageRecord&) const = default;
};

// The contents of a project file as plain values, without the editor's
// tables or decoded pictures: what converting and comparing files needs.
struct ProjectRecord {
    FileHeader header;
    ViewSettings view;
    std::vector<PageRecord> pages;
};

// The parts of a project file in the order they are read: where a reading
// stopped.
enum class RecordPart {
    Header,           // the file header (RecordFault::check says what is wrong)
    ViewSettings,     // missing, or of another size
    PageCount,
    PageHead,         // a page's identifier and name
    PageBackground,   // its background colour and picture path
    PageLoadSend,
    PageUnloadSend,
    ObjectCount,
    ObjectTag,        // an object's class tag
    ObjectClass,      // a tag naming no page object (RecordFault::className)
    ObjectFields,     // what every object stores first (a line: colour and end points)
    ObjectSend,       // an object's send-data block
    ObjectKindFields, // radius, custom id, text settings or picture paths
    ObjectText,       // a text object's characters
};

// What stopped a reading and where. The record keeps everything read before
// it: from PageHead on, the page being read is the last page; from
// ObjectFields on, the object being read is that page's last object.
struct RecordFault {
    RecordPart part = RecordPart::Header;
    ProjectCheck check = ProjectCheck::Ok;
    std::optional<ArchiveError> error; // from PageCount on; none when memory ran out
    uint32_t pageCount = 0;            // as stored
    uint32_t objectCount = 0;          // of the last page, as stored
    uint32_t objectNumber = 0;         // from 1, null objects counted; 0 before the first
    std::string className;
};

// How much a reading takes on trust.
enum class RecordStrictness {
    // Counts the remaining bytes cannot hold and send-data blocks longer than
    // 65535 bytes are refused as soon as they are read.
    Strict,
    // Pages and objects are read until the bytes end, send-data blocks of any
    // length are taken whole: every stored value is seen in file order.
    Lenient,
};

// Reads a project file into plain values, stopping at the first part that
// cannot be read. Every length is checked against the bytes that remain
// before anything is allocated for it.
std::optional<RecordFault> ReadProjectParts(std::span<const uint8_t> file, ProjectRecord& out,
                                            RecordStrictness strictness);

// The message of a file refused by its header or view settings; none for a
// fault in the pages.
std::optional<ProjectError> FileFaultError(const RecordFault& fault);

// Reads a project file strictly, with the messages of converting and comparing
// files; on failure 'out' holds no pages. An empty file is no project (it is
// what a file being rewritten in place looks like for a moment).
std::optional<ProjectError> ReadProjectRecord(std::span<const uint8_t> file, ProjectRecord& out);

// The project file of a record, sealed with its CRC.
std::vector<uint8_t> WriteProjectRecord(const ProjectRecord& project);

// One class-tagged object in the project file's form, alone (the editor's
// clipboard carries objects so). Reading raises ArchiveError for damage; a
// null object reads as none.
void WriteObjectRecord(ArchiveWriter& out, const ObjectRecord& object);
std::optional<ObjectRecord> ReadObjectRecord(ArchiveReader& in);

} // namespace kdx
