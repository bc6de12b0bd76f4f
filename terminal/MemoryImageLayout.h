#pragma once
#include <cstddef>
#include <cstdint>

namespace kdx {

// Sizes, field offsets and drawing types of the terminal's memory image.
// Everything is little-endian and packed without padding.
namespace image_layout {

// The largest screen side a terminal has, in pixels.
inline constexpr int kMaxScreenSide = 2048;

inline constexpr size_t kHeaderSize = 28;
inline constexpr size_t kHeaderWidth = 8;         // u16
inline constexpr size_t kHeaderHeight = 10;       // u16
inline constexpr size_t kHeaderPageCount = 12;    // u32
inline constexpr size_t kHeaderPageTable = 16;    // u32
inline constexpr size_t kHeaderPictureCount = 20; // u32
inline constexpr size_t kHeaderPictureTable = 24; // u32

inline constexpr size_t kPageEntrySize = 16;
inline constexpr size_t kPageId = 0;          // u16
inline constexpr size_t kPageRecordCount = 2; // u16
inline constexpr size_t kPageFirstRecord = 4; // u32
inline constexpr size_t kPageLoadSend = 8;    // u32
inline constexpr size_t kPageUnloadSend = 12; // u32

inline constexpr size_t kPictureEntrySize = 6; // u16 index, u32 offset

inline constexpr size_t kRecordSize = 20;
inline constexpr size_t kRecordType = 0;  // u16: draw type bits 0-11, condition bits 12-15
inline constexpr size_t kRecordJump = 2;  // u16
inline constexpr size_t kRecordSend = 4;  // u32
inline constexpr size_t kRecordValue = 8; // u32
inline constexpr size_t kRecordRect = 12; // 4 x u16

inline constexpr uint16_t kNoPage = 0xFFFF;
inline constexpr size_t kPictureHeadSize = 7; // u16 w, u16 h, u8 0, u8 depth, u8 frames
inline constexpr size_t kTextHeadSize = 3;    // u8 font, u8 char spacing, u8 line spacing
inline constexpr size_t kSendHeadSize = 3;    // u16 length, u8 tag

enum DrawType : uint16_t {
    kDrawColor = 1,
    kDrawCustom = 3,
    kDrawPicture = 4,
    kDrawText = 5,
    kDrawLine = 6,
    kDrawRect = 9,
    kDrawFilledRect = 10,
    kDrawRoundRect = 11,
    kDrawFilledRoundRect = 12,
    kDrawEllipse = 13,
    kDrawFilledEllipse = 14,
};

inline constexpr uint16_t DrawTypeOf(uint16_t typeField) { return typeField & 0x0FFF; }

} // namespace image_layout
} // namespace kdx
