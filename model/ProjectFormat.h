#pragma once
#include "model/ModelTypes.h"

namespace kdx {

class ArchiveError;
class ArchiveReader;
class ArchiveWriter;
class CPageDoc;

// Encodings shared by the page and object forms of the project file.

// The fewest bytes a page and an object take, so that a count read from
// damaged data is refused before anything is allocated for it.
constexpr size_t kMinPageBytes = 16;  // id, 8-bit empty name, colour, empty path, 3 counts
constexpr size_t kMinObjectBytes = 2; // a null object tag

// A short Chinese description of an archive failure; the reader's own
// English detail (with the byte position) follows in parentheses.
QString DescribeArchiveError(const ArchiveError& e);

// A count of bytes (0 = none), then the u32 tag and the bytes.
void WriteSendDataBlock(ArchiveWriter& out, const SendDataEntry* data);
// Reads a block and interns it in the document; nullptr for none. Blocks
// longer than 65535 bytes cannot come from a project and are refused.
SendDataEntry* ReadSendDataBlock(ArchiveReader& in, CPageDoc& doc);

// The path of an image reference, empty for none.
QString ImagePath(const ImageEntry* image);

} // namespace kdx
