#pragma once
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kdx {

// What a reader of project files needs of the project's text form (.kdpj),
// without the model's types: telling the forms apart and turning a text
// into the project file it stands for. The text form itself is
// model/ProjectText.h.

// Whether file contents are the text form: the first character after an
// optional byte-order mark and white space is "{". A project file begins
// with its binary magic instead.
bool IsProjectText(std::span<const uint8_t> bytes);

// An error in a text form, with the line and column (both from 1; columns
// count characters) where it was found.
struct TextFormError {
    int line = 0;
    int column = 0;
    QString message;
    // "第 L 行，第 C 列：message"
    QString Text() const;
};

// The sealed project file that a text form stands for.
std::optional<TextFormError> ProjectFileOfText(const QByteArray& text, std::vector<uint8_t>& file);

} // namespace kdx
