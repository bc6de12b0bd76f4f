#pragma once
#include "model/ProjectRecord.h"
#include "model/ProjectTextForm.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kdx {

// The project's text form (.kdpj): JSON written in a fixed layout, so that
// version control can show and merge it line by line, carrying everything
// the project file holds. Converting a project file to text and back gives
// the same bytes.

// Whether a path names the text form (".kdpj", any case).
bool IsProjectTextPath(const QString& path);
// The text of a project. Fails, with a description, only for contents that
// no editor writes and the text cannot express: a text without its
// terminating zero.
std::optional<QString> WriteProjectText(const ProjectRecord& project, QByteArray& out);

// Reads the text form strictly: every field present with its type and range,
// no unknown or repeated field. On failure 'out' is left empty.
std::optional<TextFormError> ReadProjectText(const QByteArray& text, ProjectRecord& out);

// One field as the text form names it, with its value as written there
// but on one line (send data of more than 32 bytes shortened, with its length
// and CRC-32): what a comparison of two projects shows.
struct FieldText {
    std::string key;
    std::string value;
};
std::vector<FieldText> HeaderFieldTexts(const FileHeader& header);
std::vector<FieldText> ViewFieldTexts(const ViewSettings& view);
std::vector<FieldText> PageFieldTexts(const PageRecord& page); // without the objects
std::vector<FieldText> ObjectFieldTexts(const ObjectRecord& object);

// Reads either form, judged by the contents. Returns the reason on failure.
std::optional<QString> ReadProjectAnyForm(std::span<const uint8_t> bytes, ProjectRecord& out);

} // namespace kdx
