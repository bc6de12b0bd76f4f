#pragma once
#include "model/ModelTypes.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

namespace kdx {

class ArchiveReader;
class ArchiveWriter;

// The project file's encodings of what page objects store, in one place for
// the project record's reader and writer and the tests' project builder.

// The fields that open the form of every object but a line, in file order;
// the object's send-data block follows them.
struct ObjectFields {
    uint32_t objectId = 0;
    Color lineColor = kNoColor;
    Color fillColor = kNoColor;
    uint32_t jumpTarget = kNoPage;
    uint32_t executeCondition = 0;
    PageRect bounds; // as stored, not normalised
};

void WriteRect(ArchiveWriter& out, const PageRect& rect);
PageRect ReadRect(ArchiveReader& in);

void WriteObjectFields(ArchiveWriter& out, const ObjectFields& fields);
ObjectFields ReadObjectFields(ArchiveReader& in);

// A send-data block: a count of bytes (0 = none), then the u32 tag and the
// bytes. 'bytes' of a block read points into the reader's data.
struct SendBlock {
    uint32_t tag = 0;
    std::span<const uint8_t> bytes; // empty: no data
};

void WriteSendBlock(ArchiveWriter& out, const SendBlock& block);
// A count above 'maxBytes' raises ArchiveFault::SendDataTooLong before the
// tag is read.
SendBlock ReadSendBlock(ArchiveReader& in, size_t maxBytes = std::numeric_limits<size_t>::max());

// A text object's text: a count of bytes, then UTF-16LE units. An odd
// count raises ArchiveFault::OddTextLength; no text reads as empty.
void WriteTextUnits(ArchiveWriter& out, std::u16string_view text);
std::u16string ReadTextUnits(ArchiveReader& in);

// An image object's two picture paths, each after a word that readers skip.
struct ImagePaths {
    std::u16string normal;
    std::u16string pressed;
};

void WriteImagePaths(ArchiveWriter& out, const ImagePaths& paths);
ImagePaths ReadImagePaths(ArchiveReader& in);

} // namespace kdx
