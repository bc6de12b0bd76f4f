#pragma once
// Writes project files for the compiler's tests and benchmark from plain
// descriptions. It stays apart from the model's record writer on purpose: it
// writes files that no record can describe (unknown class names, text bytes
// of odd length, view settings of another size), so that the readers' refusals
// can be tested; the field encodings still come from the model's object codec.
#include "common/FileHeader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx::testing {

struct SendDesc {
    uint32_t tag = 0;
    std::vector<uint8_t> bytes;
};

struct ObjectDesc {
    std::string className = "CDrawRect";
    uint32_t objectId = 1;
    uint32_t lineColor = 0xFFFFFFFF;
    uint32_t fillColor = 0xFFFFFFFF;
    uint32_t jumpTarget = 0xFFFF;
    uint32_t executeCondition = 0;
    int32_t left = 0, top = 0, right = 10, bottom = 10;
    std::optional<SendDesc> send;
    uint32_t extra = 0; // radius of a rounded rectangle, id of a custom object
    // Text objects.
    uint32_t fontId = 1, tabSize = 8, lineSpacing = 0, charSpacing = 0;
    std::u16string text;      // stored with a terminating zero unless rawText is set
    std::optional<std::vector<uint8_t>> rawText;
    // Picture objects.
    std::u16string normalImage, pressedImage;
};

struct PageDesc {
    uint32_t pageId = 0;
    std::u16string name = u"Page 1";
    uint32_t backgroundColor = 0xFFFFFFFF;
    std::u16string backgroundImage;
    std::optional<SendDesc> loadSend, unloadSend;
    std::vector<ObjectDesc> objects;
};

struct ProjectDesc {
    FileHeader header;
    uint32_t viewSettingsSize = 24;
    std::vector<PageDesc> pages;
};

ObjectDesc Shape(const std::string& className, uint32_t id, int32_t l, int32_t t, int32_t r, int32_t b);

// The sealed bytes of a project file.
std::vector<uint8_t> BuildProjectFile(const ProjectDesc& project);

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace kdx::testing
