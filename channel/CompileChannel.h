#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kdx {

// The editor-to-compiler block: two flags, one message slot and the two
// paths, 3096 bytes, UTF-16LE texts ending in a zero unit. This class is a
// view over mapped bytes; it owns nothing. The only ordering between the two
// processes is the messagePending handshake: the compiler writes the text,
// then sets the flag with release ordering; the editor reads the flag with
// acquire ordering, takes the text, then clears it.
class CompileChannel {
public:
    static constexpr size_t kSize = 3096;
    static constexpr size_t kMessageOffset = 8;
    static constexpr size_t kMessageUnits = 1024;
    static constexpr size_t kProjectPathOffset = 2056;
    static constexpr size_t kOutputPathOffset = 2576;
    static constexpr size_t kPathUnits = 260;
    static constexpr const char* kNamePrefix = "KDX_COMPILE";

    explicit CompileChannel(uint8_t* block) : m_block(block) {}

    bool MessagePending() const;
    void SetMessagePending(bool pending);
    bool CancelRequested() const;
    void RequestCancel();

    // At most 1023 units are stored, then the zero unit.
    void SetMessageText(std::u16string_view text);
    std::u16string MessageText() const;

    std::u16string ProjectPath() const;
    std::u16string OutputPath() const;

    // Zeroes the block and stores both paths, each cut to 259 units.
    void Initialise(std::u16string_view projectPath, std::u16string_view outputPath);

    // "KDX_COMPILE_<pid>_<pane>_<ms>" in upper-case hexadecimal.
    static std::string MakeName(uint32_t processId, uint64_t paneId, uint64_t tickMs);

    // Removes the channels whose creating process is gone: a compile ended
    // by SIGKILL or SIGHUP never unlinks its own. 'folder' is where the
    // system keeps shared memory.
    static void RemoveStaleChannels(const std::string& folder = "/dev/shm");

private:
    int32_t* Flag(size_t offset) const { return reinterpret_cast<int32_t*>(m_block + offset); }
    void StoreText(size_t offset, size_t units, std::u16string_view text);
    std::u16string LoadText(size_t offset, size_t units) const;

    uint8_t* m_block;
};

// Milliseconds of the monotonic clock, the tool chain's tick count.
uint64_t TickCountMs();

} // namespace kdx
