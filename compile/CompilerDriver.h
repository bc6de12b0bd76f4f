#pragma once
#include "compile/CompileReporter.h"

#include <memory>

namespace kdx {

class CMappedMemory;
class CompileChannel;

// The compiler's side of the message channel. Without a channel, messages
// go to standard output; with one, each message waits until the editor has
// taken the previous one, and a cancel or an editor that stops taking
// messages for ten seconds ends the compilation.
class ChannelReporter : public CompileReporter {
public:
    static constexpr uint64_t kGiveUpMs = 10000;

    ChannelReporter() = default;
    ~ChannelReporter() override;

    // Maps the named block; false when it does not exist.
    bool Open(const std::string& name);
    bool HasChannel() const { return m_channel != nullptr; }
    CompileChannel* Channel() { return m_channel.get(); }

    void EmitMessage(std::u16string_view text) override;
    void CheckCancel() override;

private:
    std::unique_ptr<CMappedMemory> m_block;
    std::unique_ptr<CompileChannel> m_channel;
};

// The two banner lines the compiler prints first.
std::u16string CompilerBanner();

// The whole compiler program: argument check, channel, path checks and the
// pipeline. Ends the process with exit code 0 once the compiled file is
// written (without freeing what the compile holds); otherwise returns -1.
int RunCompiler(int argc, char** argv);

} // namespace kdx
