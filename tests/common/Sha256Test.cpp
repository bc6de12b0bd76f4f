#include "common/Sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kdx {
namespace {

std::string HexOf(const Sha256::Digest& digest)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : digest) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::span<const uint8_t> BytesOf(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The published test vectors, and a long input given in uneven pieces.
TEST(Sha256, KnownDigestsWholeAndInPieces)
{
    EXPECT_EQ(HexOf(Sha256::Of({})), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(HexOf(Sha256::Of(BytesOf("abc"))), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string million(1000000, 'a');
    Sha256 pieces;
    for (size_t at = 0, step = 1; at < million.size(); at += step, step = step * 3 % 65537 + 1)
        pieces.Update(BytesOf(million).subspan(at, std::min(step, million.size() - at)));
    EXPECT_EQ(HexOf(pieces.Final()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
} // namespace kdx
