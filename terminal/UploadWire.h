#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kdx::wire {

// The terminal's upload protocol as it stands on the serial line: the rates
// it knows, its commands and replies, and how frames and data blocks are
// built. The uploader speaks it as the host, the virtual terminal and the
// simulator as the terminal.

struct BaudEntry {
    int rate;
    uint8_t code; // the byte that tells the terminal to use this rate
};

// The rates a terminal knows, in the order they are offered and searched.
inline constexpr std::array<BaudEntry, 13> kBaudTable = {{
    {921600, 0x8F}, {460800, 0x8D}, {230400, 0x8B}, {115200, 0xFF}, {57600, 0x08},
    {56000, 0x07}, {38400, 0x06}, {19200, 0x05}, {14400, 0x04}, {9600, 0x03},
    {4800, 0x02}, {2400, 0x01}, {1200, 0x00},
}};
inline constexpr int kDefaultBaud = 115200;

std::optional<uint8_t> BaudCode(int rate);
std::optional<int> BaudForCode(uint8_t code);

// Command bytes and reply codes of the terminal.
enum : uint8_t {
    kCmdSetBaud = 0x01,
    kCmdDetect = 0x03,
    kCmdBeginDownload = 0x0F,
    kFrameStart = 0xFD,
    kReplyModelMismatch = 0xF9,
    kReplyAccepted = 0xFA,
    kReplyNoSpace = 0xFB,
    kReplyCrcError = 0xFC,
};
inline constexpr std::array<uint8_t, 4> kFrameTrailer = {0xDD, 0xCC, 0xBB, 0xAA};
inline constexpr std::array<uint8_t, 4> kSetBaudMagic = {0x55, 0xAA, 0x5A, 0xA5};
inline constexpr size_t kMaxBlock = 4096;
inline constexpr size_t kBlockHeader = 6; // length u16 + CRC-32, both big-endian
// A detect reply begins with 0xFA and its total length L, 3 < L < 2048.
inline constexpr size_t kDetectHead = 3;
inline constexpr size_t kDetectMaxLength = 2048;

std::vector<uint8_t> CommandFrame(uint8_t command, std::span<const uint8_t> payload);
std::vector<uint8_t> DetectFrame();
std::vector<uint8_t> SetBaudFrame(uint8_t code);
std::vector<uint8_t> BeginDownloadFrame(uint16_t width, uint16_t height, uint32_t size);
// One data block of 1..4096 bytes: length, CRC-32 of the bytes, the bytes.
std::vector<uint8_t> DataBlock(std::span<const uint8_t> bytes);

} // namespace kdx::wire
