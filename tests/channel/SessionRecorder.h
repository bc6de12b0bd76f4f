#pragma once
#include "channel/CompileSession.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kdx::test {

// Keeps every text a compile session delivers, from any thread.
class RecordingSink : public CompileSession::Sink {
public:
    void Deliver(std::u16string_view text) override
    {
        std::lock_guard<std::mutex> g(m_mutex);
        m_messages.emplace_back(text);
    }
    std::vector<std::u16string> Messages()
    {
        std::lock_guard<std::mutex> g(m_mutex);
        return m_messages;
    }

private:
    std::mutex m_mutex;
    std::vector<std::u16string> m_messages;
};

// Runs one compilation with the given compiler program to its end.
inline std::vector<std::u16string> CompileAndCollect(std::u16string_view project, std::u16string_view output,
                                              const std::string& compiler)
{
    RecordingSink sink;
    {
        CompileSession session(sink, 1);
        session.Start(project, output, compiler);
        session.Join();
    }
    return sink.Messages();
}

} // namespace kdx::test
