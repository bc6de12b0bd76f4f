#include "channel/CompileChannel.h"

#include "common/ByteOrder.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <string_view>
#include <sys/mman.h>

namespace kdx {
namespace {
constexpr size_t kPendingOffset = 0;
constexpr size_t kCancelOffset = 4;
} // namespace

bool CompileChannel::MessagePending() const
{
    return std::atomic_ref<int32_t>(*Flag(kPendingOffset)).load(std::memory_order_acquire) != 0;
}

void CompileChannel::SetMessagePending(bool pending)
{
    std::atomic_ref<int32_t>(*Flag(kPendingOffset)).store(pending ? 1 : 0, std::memory_order_release);
}

bool CompileChannel::CancelRequested() const
{
    return std::atomic_ref<int32_t>(*Flag(kCancelOffset)).load(std::memory_order_acquire) != 0;
}

void CompileChannel::RequestCancel()
{
    std::atomic_ref<int32_t>(*Flag(kCancelOffset)).store(1, std::memory_order_release);
}

void CompileChannel::StoreText(size_t offset, size_t units, std::u16string_view text)
{
    size_t n = std::min(text.size(), units - 1);
    uint8_t* p = m_block + offset;
    for (size_t i = 0; i < n; ++i)
        StoreLE16(p + 2 * i, uint16_t(text[i]));
    StoreLE16(p + 2 * n, 0);
}

std::u16string CompileChannel::LoadText(size_t offset, size_t units) const
{
    std::u16string text;
    const uint8_t* p = m_block + offset;
    for (size_t i = 0; i < units; ++i) {
        char16_t unit = char16_t(LoadLE16(p + 2 * i));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
}

void CompileChannel::SetMessageText(std::u16string_view text) { StoreText(kMessageOffset, kMessageUnits, text); }
std::u16string CompileChannel::MessageText() const { return LoadText(kMessageOffset, kMessageUnits); }
std::u16string CompileChannel::ProjectPath() const { return LoadText(kProjectPathOffset, kPathUnits); }
std::u16string CompileChannel::OutputPath() const { return LoadText(kOutputPathOffset, kPathUnits); }

void CompileChannel::Initialise(std::u16string_view projectPath, std::u16string_view outputPath)
{
    std::memset(m_block, 0, kSize);
    StoreText(kProjectPathOffset, kPathUnits, projectPath);
    StoreText(kOutputPathOffset, kPathUnits, outputPath);
}

std::string CompileChannel::MakeName(uint32_t processId, uint64_t paneId, uint64_t tickMs)
{
    char name[96];
    std::snprintf(name, sizeof name, "%s_%X_%llX_%llX", kNamePrefix, processId,
                  static_cast<unsigned long long>(paneId), static_cast<unsigned long long>(tickMs));
    return name;
}

void CompileChannel::RemoveStaleChannels(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    const std::string prefix = std::string(kNamePrefix) + "_";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!name.starts_with(prefix))
            continue;
        const std::string_view rest = name.substr(prefix.size());
        uint32_t processId = 0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), processId, 16);
        if (ec != std::errc() || end == rest.data() || *end != '_' || processId == 0)
            continue;
        if (kill(pid_t(processId), 0) != 0 && errno == ESRCH)
            shm_unlink(("/" + std::string(name)).c_str());
    }
    closedir(dir);
}

uint64_t TickCountMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
}

} // namespace kdx
