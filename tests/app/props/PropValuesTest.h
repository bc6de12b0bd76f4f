#pragma once
#include <QObject>

namespace kdx::test {

// Value texts and parsing rules of the property fields.
class PropValuesTest : public QObject {
    Q_OBJECT
private slots:
    void colourAndByteTexts();
    void pointsAndCorners();
    void sizes();
    void counts();
    void coloursFollowTheDepth();
};

} // namespace kdx::test
