#include "PropValuesTest.h"

#include "app/props/PropValues.h"
#include "terminal/ColorDepth.h"

#include <QTest>
#include <vector>

namespace kdx::test {

void PropValuesTest::colourAndByteTexts()
{
    // Red is the low byte of the stored value and is written first.
    QCOMPARE(ColorValueText(0x000000FF), QStringLiteral("#FF0000"));
    QCOMPARE(ColorValueText(0x00FF0000), QStringLiteral("#0000FF"));
    QCOMPARE(ColorValueText(0x00A0B0C0), QStringLiteral("#C0B0A0"));
    QCOMPARE(ColorValueText(0), QStringLiteral("#000000"));
    QCOMPARE(ColorValueText(kNoColor), QString());

    std::vector<uint8_t> bytes(20);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(0xA0 + i);
    QCOMPARE(BytesValueText(bytes),
             QStringLiteral("A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF..."));
    QCOMPARE(BytesValueText(std::span(bytes).first(16)),
             QStringLiteral("A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB AC AD AE AF"));
    const uint8_t small[] = {0x01, 0x0B};
    QCOMPARE(BytesValueText(small), QStringLiteral("01 0B"));
    QCOMPARE(BytesValueText({}), QString());
}

void PropValuesTest::pointsAndCorners()
{
    QCOMPARE(ParsePoint(QStringLiteral("-5 , 10")), (PointValue{-5, 10}));
    QCOMPARE(ParsePoint(QStringLiteral("\t+7,-0 ")), (PointValue{7, 0}));
    QCOMPARE(ParsePoint(QStringLiteral("12,34")), (PointValue{12, 34}));
    for (const char* bad : {"5;10", "5,", ",5", "5 5", "a,1", "1,2,3", "- 5,1", "", "1.5,2",
                            "2147483648,0", "0,-2147483649"})
        QVERIFY2(!ParsePoint(QString::fromLatin1(bad)), bad);
    QCOMPARE(ParsePoint(QStringLiteral("-2147483648,2147483647")), (PointValue{INT32_MIN, INT32_MAX}));
    // Longer than 127 characters fails even when the numbers are fine.
    QVERIFY(ParsePoint(QString(120, u' ') + QStringLiteral("1,2")).has_value());
    QVERIFY(!ParsePoint(QString(125, u' ') + QStringLiteral("1,2")));

    // The inclusive corner shows the last pixel and reads back the edge.
    QCOMPARE(CornerText(50, 30), QStringLiteral("49,29"));
    QCOMPARE(ParseCorner(QStringLiteral("99,99")), (PointValue{100, 100}));
    QVERIFY(!ParseCorner(QStringLiteral("2147483647,0")));
    QCOMPARE(SizeText(40, 20), QStringLiteral("40 x 20"));
}

void PropValuesTest::sizes()
{
    QCOMPARE(ParseSize(QStringLiteral("40 x 20")), (SizeValue{40, 20}));
    QCOMPARE(ParseSize(QStringLiteral("40x20")), (SizeValue{40, 20}));
    QCOMPARE(ParseSize(QStringLiteral(" 7 X 0 ")), (SizeValue{7, 0}));
    QCOMPARE(ParseSize(QStringLiteral("3×4")), (SizeValue{3, 4}));
    for (const char* bad : {"40", "40 x", "x 20", "-4 x 2", "4,2", "4 x 2 x 1", "", "2147483648 x 1"})
        QVERIFY2(!ParseSize(QString::fromLatin1(bad)), bad);
}

void PropValuesTest::counts()
{
    QCOMPARE(ParseCount(QStringLiteral("0")), std::optional<int32_t>(0));
    QCOMPARE(ParseCount(QStringLiteral("0065534")), std::optional<int32_t>(65534));
    QCOMPARE(ParseCount(QStringLiteral("2147483647")), std::optional<int32_t>(INT32_MAX));
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "x", "2147483648", "99999999999999999999"})
        QVERIFY2(!ParseCount(QString::fromLatin1(bad)), bad);
}

void PropValuesTest::coloursFollowTheDepth()
{
    QCOMPARE(KeptColor(0x00FFFFFF, 16), std::optional<Color>(0x00F8FCF8)); // (248, 252, 248)
    QCOMPARE(KeptColor(0x00070307, 16), std::optional<Color>(0));
    QCOMPARE(KeptColor(0x00123456, 24), std::optional<Color>(0x00123456));
    QCOMPARE(KeptColor(0x00123456, 8), std::nullopt);
    QCOMPARE(KeptColor(0x00123456, 32), std::nullopt);
}

} // namespace kdx::test
