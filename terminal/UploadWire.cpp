#include "terminal/UploadWire.h"

#include "common/Crc32.h"

namespace kdx::wire {
namespace {

void PutBE16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

void PutBE32(std::vector<uint8_t>& out, uint32_t v)
{
    PutBE16(out, uint16_t(v >> 16));
    PutBE16(out, uint16_t(v));
}

} // namespace

std::optional<uint8_t> BaudCode(int rate)
{
    for (const BaudEntry& e : kBaudTable)
        if (e.rate == rate)
            return e.code;
    return std::nullopt;
}

std::optional<int> BaudForCode(uint8_t code)
{
    for (const BaudEntry& e : kBaudTable)
        if (e.code == code)
            return e.rate;
    return std::nullopt;
}

std::vector<uint8_t> CommandFrame(uint8_t command, std::span<const uint8_t> payload)
{
    std::vector<uint8_t> frame{kFrameStart, command};
    PutBE16(frame, uint16_t(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.insert(frame.end(), kFrameTrailer.begin(), kFrameTrailer.end());
    return frame;
}

std::vector<uint8_t> DetectFrame()
{
    const uint8_t payload[] = {0x00, 0x00};
    return CommandFrame(kCmdDetect, payload);
}

std::vector<uint8_t> SetBaudFrame(uint8_t code)
{
    std::vector<uint8_t> payload(kSetBaudMagic.begin(), kSetBaudMagic.end());
    payload.push_back(code);
    return CommandFrame(kCmdSetBaud, payload);
}

std::vector<uint8_t> BeginDownloadFrame(uint16_t width, uint16_t height, uint32_t size)
{
    std::vector<uint8_t> payload;
    PutBE16(payload, width);
    PutBE16(payload, height);
    PutBE32(payload, size);
    return CommandFrame(kCmdBeginDownload, payload);
}

std::vector<uint8_t> DataBlock(std::span<const uint8_t> bytes)
{
    std::vector<uint8_t> block;
    block.reserve(bytes.size() + kBlockHeader);
    PutBE16(block, uint16_t(bytes.size()));
    PutBE32(block, ComputeCrc32(bytes));
    block.insert(block.end(), bytes.begin(), bytes.end());
    return block;
}

} // namespace kdx::wire
