#pragma once
#include "model/ModelTypes.h"

#include <optional>

namespace kdx {

class ArchiveError;
class CPageDoc;
struct SendBlockRecord;

// Encodings shared by the page and object forms of the project file.

// The fewest bytes a page and an object take, so that a count read from
// damaged data is refused before anything is allocated for it.
constexpr size_t kMinPageBytes = 16;  // id, 8-bit empty name, colour, empty path, 3 counts
constexpr size_t kMinObjectBytes = 2; // a null object tag

// A short Chinese description of an archive failure; the reader's own
// English detail (with the byte position) follows in parentheses.
QString DescribeArchiveError(const ArchiveError& e);

// The path of an image reference, empty for none.
QString ImagePath(const ImageEntry* image);

// A send-data reference as stored, and stored send data interned in the
// document (none for none).
std::optional<SendBlockRecord> SendRecord(const SendDataEntry* data);
SendDataEntry* InternSendRecord(CPageDoc& doc, const std::optional<SendBlockRecord>& block);

} // namespace kdx
