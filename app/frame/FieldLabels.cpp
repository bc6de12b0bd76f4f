#include "app/frame/FieldLabels.h"

#include <QLabel>

namespace kdx {

QString LabelTextForReader(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // The unit after a "&" is kept as it is: a mnemonic letter or a
        // second "&".
        if (text[i] == u'&' && ++i == text.size())
            break;
        out += text[i];
    }
    return out;
}

void LabelField(QLabel* label, QWidget* field)
{
    label->setBuddy(field);
    field->setAccessibleName(LabelTextForReader(label->text()));
}

} // namespace kdx
