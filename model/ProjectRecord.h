#pragma once
#include "common/FileHeader.h"
#include "model/ModelTypes.h"
#include "model/ObjectKind.h"
#include "model/PageDoc.h"

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

// Reads a project file with the checks and messages of the editor's reader.
// An empty file is no project (it is what a file being rewritten in place
// looks like for a moment).
std::optional<ProjectError> ReadProjectRecord(std::span<const uint8_t> file, ProjectRecord& out);

// The project file of a record, sealed with its CRC.
std::vector<uint8_t> WriteProjectRecord(const ProjectRecord& project);

} // namespace kdx
