#pragma once
#include "render/TerminalSession.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace kdx::render {

// A test script for a compiled project, one command a line, "#" starts a
// comment:
//   touch X Y [HOLD_MS]   press, hold (default 0 ms), release
//   press X Y | release
//   wait MS               virtual time: nothing sleeps
//   expect page ID        the page shown has this identifier
//   expect sent [load|unload|touch] HEX...   the next block sent
//   expect nothing-sent   no block sent that no expectation took yet
//   shot FILE.png         the screen as it is now
//   goto ID               shows a page as the page list does
enum class ScriptOp { Touch, Press, Release, Wait, ExpectPage, ExpectSent, ExpectNothingSent, Shot, Goto };

struct ScriptCommand {
    ScriptOp op = ScriptOp::Wait;
    int line = 0;      // 1-based
    QString text;      // the line as written, without comment and outer blanks
    int x = 0, y = 0;
    int64_t ms = 0;    // hold or wait
    uint32_t id = 0;   // page identifier
    std::optional<SendReason> reason;
    QByteArray bytes;
    QString file;
};

struct Script {
    std::vector<ScriptCommand> commands;
};

struct ScriptError {
    int line = 0;
    int column = 0; // 1-based, in characters
    QString message;
};

// Scripts are small; the bound keeps a wrong argument from filling memory.
inline constexpr qint64 kMaxScriptBytes = 4 << 20;
// The longest hold or wait, so that virtual time cannot overflow.
inline constexpr int64_t kMaxScriptMs = 24LL * 3600 * 1000;

std::optional<ScriptError> ParseScript(const QByteArray& text, Script& out);

// "load", "unload" or "touch".
QString ReasonName(SendReason reason);

} // namespace kdx::render
