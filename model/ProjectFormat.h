#pragma once
#include "model/ModelTypes.h"

namespace kdx {

class ArchiveReader;
class ArchiveWriter;
class CPageDoc;

// Encodings shared by the page and object forms of the project file.

// A count of bytes (0 = none), then the u32 tag and the bytes.
void WriteSendDataBlock(ArchiveWriter& out, const SendDataEntry* data);
// Reads a block and interns it in the document; nullptr for none. Blocks
// longer than 65535 bytes cannot come from a project and are refused.
SendDataEntry* ReadSendDataBlock(ArchiveReader& in, CPageDoc& doc);

// The path of an image reference, empty for none.
QString ImagePath(const ImageEntry* image);

} // namespace kdx
