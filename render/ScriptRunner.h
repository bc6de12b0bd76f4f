#pragma once
#include "render/SimScript.h"

#include <deque>

namespace kdx::render {

// One checked command of a script (an expectation, or a goto or shot that
// could not be done) and how it went.
struct ScriptOutcome {
    size_t command = 0; // index into the script's commands
    bool passed = true;
    QString expected;
    QString actual;
};

// Runs a script against a terminal session in virtual time: a touch held
// for 1.5 s or a wait of a minute takes no real time, and conditions that
// act while a touch is held act when their time has come. The session is
// given to every step, so that the caller may replace it between steps.
//
// The blocks the session sends must be handed to OnSent (from the session's
// listener); expectations take them in order.
class ScriptRunner {
public:
    explicit ScriptRunner(const Script& script) : m_script(script) {}

    void OnSent(const SentBlock& sent);

    bool AtEnd() const { return m_next >= m_script.commands.size(); }
    // The virtual milliseconds the next step lets pass before it acts (a
    // touch's hold, a wait), for a caller that shows the run in real time.
    int64_t NextDelay() const;
    // The command the next step belongs to.
    const ScriptCommand& NextCommand() const { return m_script.commands[m_next]; }
    // One step: a command, or half of a touch (its press, then its release).
    void Step(TerminalSession& session);
    void RunToEnd(TerminalSession& session);
    // The whole script against a new session of the image, headless.
    void RunHeadless(std::shared_ptr<const TerminalImage> image);

    const std::vector<ScriptOutcome>& Outcomes() const { return m_outcomes; }
    int FailureCount() const { return m_failures; }
    int64_t Now() const { return m_now; }

    // Unchecked blocks kept at most; older ones are dropped (a script that
    // never looks at what is sent must not fill the memory).
    static constexpr size_t kMaxPending = 4096;

private:
    struct Pending {
        SendReason reason;
        QByteArray bytes;
    };
    void Run(const ScriptCommand& command, TerminalSession& session);
    void Expect(const ScriptCommand& command, bool passed, QString expected, QString actual);
    void ExpectSent(const ScriptCommand& command);
    void ExpectNothingSent(const ScriptCommand& command);
    void Shot(const ScriptCommand& command, TerminalSession& session);
    void Goto(const ScriptCommand& command, TerminalSession& session);

    const Script& m_script;
    size_t m_next = 0;
    bool m_touchPressed = false; // the first half of a touch has run
    int64_t m_now = 0;
    std::deque<Pending> m_pending;
    std::vector<ScriptOutcome> m_outcomes;
    int m_failures = 0;
};

// "touch AA 01 55": a block as scripts and messages spell it.
QString DescribeBlock(SendReason reason, const QByteArray& bytes);

// "SCRIPT:LINE: 失败：COMMAND", then what was expected and what happened,
// each on a line of its own.
QString DescribeFailure(const QString& scriptPath, const Script& script, const ScriptOutcome& outcome);
// One line: how many checks ran, passed and failed, and the virtual time.
QString DescribeSummary(const QString& scriptPath, const ScriptRunner& runner);

} // namespace kdx::render
