#include "common/Archive.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using namespace kdx;

namespace {
std::vector<uint8_t> V(std::initializer_list<int> bytes)
{
    std::vector<uint8_t> out;
    for (int b : bytes)
        out.push_back(uint8_t(b));
    return out;
}
} // namespace

namespace {

// The kind of the archive error 'read' raises; fails the test without one.
template <class Read>
std::optional<ArchiveFault> FaultOf(Read read)
{
    try {
        read();
    } catch (const ArchiveError& e) {
        return e.Fault();
    }
    ADD_FAILURE() << "no archive error";
    return std::nullopt;
}

} // namespace

TEST(Archive, CountForms)
{
    ArchiveWriter w;
    w.Count(0);
    w.Count(65534);
    w.Count(65535);
    w.Count(70000);
    EXPECT_EQ(w.Data(), V({0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0,
                           0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}));
    ArchiveReader r(w.Data());
    EXPECT_EQ(r.Count(), 0u);
    EXPECT_EQ(r.Count(), 65534u);
    EXPECT_EQ(r.Count(), 65535u);
    EXPECT_EQ(r.Count(), 70000u);
    EXPECT_TRUE(r.AtEnd());
}

TEST(Archive, StringFormsRoundTrip)
{
    ArchiveWriter w;
    w.String(u"");
    EXPECT_EQ(w.Data(), V({0xFF, 0xFE, 0xFF, 0x00}));
    for (size_t length : {size_t(1), size_t(0xFE), size_t(0xFF), size_t(0xFFFD), size_t(0xFFFE),
                          size_t(70000)}) {
        ArchiveWriter lw;
        std::u16string text(length, u'页');
        lw.String(text);
        ArchiveReader r(lw.Data());
        EXPECT_EQ(r.String(), text) << length;
        EXPECT_TRUE(r.AtEnd()) << length;
    }
    ArchiveWriter mid;
    mid.String(std::u16string(0xFF, u'a'));
    EXPECT_EQ(std::vector<uint8_t>(mid.Data().begin(), mid.Data().begin() + 6),
              V({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
}

TEST(Archive, EightBitStringsAreDecodedAsCodePage936)
{
    // "Page" in the 8-bit form, then the two bytes of "中".
    auto bytes = V({4, 'P', 'a', 'g', 'e', 2, 0xD6, 0xD0});
    ArchiveReader r(bytes);
    EXPECT_EQ(r.String(), u"Page");
    EXPECT_EQ(r.String(), u"中");
    // A long 8-bit string uses FF and a u16 length.
    std::vector<uint8_t> longForm = V({0xFF, 0x00, 0x01});
    longForm.resize(3 + 256, 'x');
    ArchiveReader lr(longForm);
    EXPECT_EQ(lr.String(), std::u16string(256, u'x'));
}

TEST(Archive, ObjectTagsShareOneCounter)
{
    ArchiveWriter w;
    w.ObjectTag("CDrawRect"); // class 1, object 2
    w.ObjectTag("CDrawRect"); // 0x8001, object 3
    w.ObjectTag("CDrawLine"); // class 4, object 5
    w.ObjectTag("CDrawLine"); // 0x8004
    auto expected = V({0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D', 'r', 'a', 'w', 'R', 'e', 'c', 't',
                       0x01, 0x80,
                       0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D', 'r', 'a', 'w', 'L', 'i', 'n', 'e',
                       0x04, 0x80});
    EXPECT_EQ(w.Data(), expected);
    ArchiveReader r(w.Data());
    EXPECT_EQ(r.ObjectTag(), "CDrawRect");
    EXPECT_EQ(r.ObjectTag(), "CDrawRect");
    EXPECT_EQ(r.ObjectTag(), "CDrawLine");
    EXPECT_EQ(r.ObjectTag(), "CDrawLine");
}

TEST(Archive, LargeClassIndexUsesTheLongForm)
{
    ArchiveWriter w;
    w.ObjectTag("CDrawText");
    for (int i = 0; i < 0x7FFF; ++i)
        w.ObjectTag("CDrawText");
    ArchiveWriter big;
    for (int i = 0; i < 0x7FFE; ++i)
        big.ObjectTag(i == 0 ? "CDrawRect" : "CDrawRect");
    big.ObjectTag("CDrawEllipse"); // class index 0x7FFF + 1 = 0x8000
    big.ObjectTag("CDrawEllipse");
    const auto& d = big.Data();
    std::vector<uint8_t> tail(d.end() - 6, d.end());
    EXPECT_EQ(tail, V({0xFF, 0x7F, 0x00, 0x80, 0x00, 0x80}));
    ArchiveReader r(d);
    std::string last;
    while (!r.AtEnd())
        last = r.ObjectTag();
    EXPECT_EQ(last, "CDrawEllipse");
}

TEST(Archive, NullObjectTakesNoIndex)
{
    auto bytes = V({0, 0, 0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D', 'r', 'a', 'w', 'R', 'e', 'c', 't',
                    0, 0, 0x01, 0x80});
    ArchiveReader r(bytes);
    EXPECT_EQ(r.ObjectTag(), "");
    EXPECT_EQ(r.ObjectTag(), "CDrawRect");
    EXPECT_EQ(r.ObjectTag(), "");
    EXPECT_EQ(r.ObjectTag(), "CDrawRect");
}

TEST(Archive, DamageIsRefusedWithItsKind)
{
    // Back-reference to object 2 (no 0x8000 bit), and to an object index.
    auto backRef = V({0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D', 'r', 'a', 'w', 'R', 'e', 'c', 't', 2, 0});
    ArchiveReader r1(backRef);
    r1.ObjectTag();
    EXPECT_EQ(FaultOf([&] { r1.ObjectTag(); }), ArchiveFault::BackReference);
    auto objRef = V({0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D', 'r', 'a', 'w', 'R', 'e', 'c', 't', 2, 0x80});
    ArchiveReader r2(objRef);
    r2.ObjectTag();
    EXPECT_EQ(FaultOf([&] { r2.ObjectTag(); }), ArchiveFault::BackReference);
    auto bigRef = V({0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D', 'r', 'a', 'w', 'R', 'e', 'c', 't', 0xFF, 0x7F, 2, 0, 0, 0});
    ArchiveReader r2b(bigRef);
    r2b.ObjectTag();
    EXPECT_EQ(FaultOf([&] { r2b.ObjectTag(); }), ArchiveFault::BackReference);
    auto unknown = V({0x05, 0x80});
    ArchiveReader r3(unknown);
    EXPECT_EQ(FaultOf([&] { r3.ObjectTag(); }), ArchiveFault::UnknownClass);
    // Lengths beyond the data: no allocation, an error.
    auto hugeString = V({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    ArchiveReader r4(hugeString);
    EXPECT_EQ(FaultOf([&] { r4.String(); }), ArchiveFault::StringTooLong);
    auto hugeNarrow = V({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                         0xFF, 0xFF, 0xFF});
    ArchiveReader r5(hugeNarrow);
    EXPECT_EQ(FaultOf([&] { r5.String(); }), ArchiveFault::EndsEarly);
    auto shortName = V({0xFF, 0xFF, 1, 0, 9, 0, 'C', 'D'});
    ArchiveReader r6(shortName);
    EXPECT_EQ(FaultOf([&] { r6.ObjectTag(); }), ArchiveFault::EndsEarly);
    auto noName = V({0xFF, 0xFF, 1, 0, 0, 0});
    ArchiveReader r6b(noName);
    EXPECT_EQ(FaultOf([&] { r6b.ObjectTag(); }), ArchiveFault::BadClassName);
    ArchiveReader r7(std::span<const uint8_t>{});
    EXPECT_EQ(FaultOf([&] { r7.U8(); }), ArchiveFault::EndsEarly);
    EXPECT_EQ(FaultOf([&] { r7.Bytes(1); }), ArchiveFault::EndsEarly);
}
