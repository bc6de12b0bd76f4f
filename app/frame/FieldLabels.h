#pragma once
#include <QString>

class QLabel;
class QWidget;

namespace kdx {

// The label text as assistive technology reads it: without the "&" that
// marks the mnemonic ("&&" stays a single "&").
QString LabelTextForReader(const QString& text);

// Ties a label to its field: the label's mnemonic focuses the field, and
// the field carries the label as its accessible name, also where the field
// is not the label's sibling (a field inside a compound control).
void LabelField(QLabel* label, QWidget* field);

} // namespace kdx
