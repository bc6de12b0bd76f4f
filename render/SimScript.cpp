#include "render/SimScript.h"

#include "common/Hex.h"

#include <QStringList>

#include <algorithm>

namespace kdx::render {
namespace {

struct Token {
    QString text;
    int column = 0;
};

// Splits a line at blanks; a "#" ends it.
std::vector<Token> Tokenize(const QString& line)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    while (i < line.size() && line[i] != u'#') {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < line.size() && !line[i].isSpace() && line[i] != u'#')
            ++i;
        tokens.push_back({line.mid(start, i - start), int(start) + 1});
    }
    return tokens;
}

class LineParser {
public:
    LineParser(const std::vector<Token>& tokens, int line, int endColumn)
        : m_tokens(tokens), m_line(line), m_endColumn(endColumn)
    {
    }

    std::optional<ScriptError> error;

    bool More() const { return m_next < m_tokens.size(); }
    const Token* Peek() const { return More() ? &m_tokens[m_next] : nullptr; }
    void Skip() { ++m_next; }

    bool Integer(const char16_t* what, int64_t min, int64_t max, int64_t& out)
    {
        if (!More())
            return Fail(m_endColumn, QStringLiteral("缺少%1").arg(QString::fromUtf16(what)));
        const Token& t = m_tokens[m_next++];
        bool ok = false;
        out = t.text.toLongLong(&ok, 10);
        if (!ok || out < min || out > max)
            return Fail(t.column, QStringLiteral("%1应为 %2 到 %3 的整数，而不是“%4”")
                                      .arg(QString::fromUtf16(what)).arg(min).arg(max).arg(t.text));
        return true;
    }

    bool Hex(QByteArray& out)
    {
        for (; More(); ++m_next) {
            const Token& t = m_tokens[m_next];
            QString digits = t.text;
            if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                digits = digits.mid(2);
            const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
            const bool valid = !digits.isEmpty() && digits.size() % 2 == 0 &&
                               std::all_of(digits.begin(), digits.end(), [](QChar c) { return HexDigitValue(c.unicode()) >= 0; });
            if (!valid)
                return Fail(t.column, QStringLiteral("“%1”不是十六进制字节（每个字节两位，如 AA 或 AA0155）").arg(t.text));
            out += bytes;
        }
        if (out.isEmpty())
            return Fail(m_endColumn, QStringLiteral("缺少要发送的字节（十六进制）"));
        return true;
    }

    bool End()
    {
        if (More())
            return Fail(m_tokens[m_next].column, QStringLiteral("多余的参数“%1”").arg(m_tokens[m_next].text));
        return true;
    }

    bool Fail(int column, const QString& message)
    {
        error = ScriptError{m_line, column, message};
        return false;
    }

private:
    const std::vector<Token>& m_tokens;
    size_t m_next = 1;
    int m_line;
    int m_endColumn;
};

bool ParsePoint(LineParser& p, ScriptCommand& c)
{
    int64_t x = 0, y = 0;
    if (!p.Integer(u"X 坐标", -32768, 32767, x) || !p.Integer(u"Y 坐标", -32768, 32767, y))
        return false;
    c.x = int(x);
    c.y = int(y);
    return true;
}

bool ParsePageId(LineParser& p, ScriptCommand& c)
{
    int64_t id = 0;
    if (!p.Integer(u"页面标识", 0, 65535, id))
        return false;
    c.id = uint32_t(id);
    return true;
}

bool ParseExpect(LineParser& p, ScriptCommand& c, int endColumn)
{
    const Token* what = p.Peek();
    if (!what)
        return p.Fail(endColumn, QStringLiteral("expect 之后应为 page、sent 或 nothing-sent"));
    p.Skip();
    if (what->text == QLatin1String("page")) {
        c.op = ScriptOp::ExpectPage;
        return ParsePageId(p, c);
    }
    if (what->text == QLatin1String("nothing-sent")) {
        c.op = ScriptOp::ExpectNothingSent;
        return true;
    }
    if (what->text != QLatin1String("sent"))
        return p.Fail(what->column, QStringLiteral("expect 之后应为 page、sent 或 nothing-sent，而不是“%1”").arg(what->text));
    c.op = ScriptOp::ExpectSent;
    if (const Token* tag = p.Peek()) {
        for (SendReason reason : {SendReason::PageLoad, SendReason::PageUnload, SendReason::Touch})
            if (tag->text == ReasonName(reason)) {
                c.reason = reason;
                p.Skip();
            }
    }
    return p.Hex(c.bytes);
}

bool ParseCommand(LineParser& p, const Token& name, ScriptCommand& c, int endColumn)
{
    const QString& n = name.text;
    if (n == QLatin1String("touch") || n == QLatin1String("press")) {
        c.op = n == QLatin1String("touch") ? ScriptOp::Touch : ScriptOp::Press;
        if (!ParsePoint(p, c))
            return false;
        if (c.op == ScriptOp::Touch && p.More())
            return p.Integer(u"按住的毫秒数", 0, kMaxScriptMs, c.ms);
        return true;
    }
    if (n == QLatin1String("release")) {
        c.op = ScriptOp::Release;
        return true;
    }
    if (n == QLatin1String("wait")) {
        c.op = ScriptOp::Wait;
        return p.Integer(u"毫秒数", 0, kMaxScriptMs, c.ms);
    }
    if (n == QLatin1String("expect"))
        return ParseExpect(p, c, endColumn);
    if (n == QLatin1String("goto")) {
        c.op = ScriptOp::Goto;
        return ParsePageId(p, c);
    }
    if (n == QLatin1String("shot")) {
        c.op = ScriptOp::Shot;
        const Token* file = p.Peek();
        if (!file)
            return p.Fail(endColumn, QStringLiteral("缺少图片文件名"));
        c.file = file->text;
        p.Skip();
        return true;
    }
    return p.Fail(name.column, QStringLiteral("未知的命令“%1”（可用：touch、press、release、wait、expect、shot、goto）").arg(n));
}

} // namespace

QString ReasonName(SendReason reason)
{
    switch (reason) {
    case SendReason::PageLoad: return QStringLiteral("load");
    case SendReason::PageUnload: return QStringLiteral("unload");
    case SendReason::Touch: return QStringLiteral("touch");
    }
    return {};
}

std::optional<ScriptError> ParseScript(const QByteArray& text, Script& out)
{
    if (text.size() > kMaxScriptBytes)
        return ScriptError{1, 1, QStringLiteral("脚本太大（最多 %1 字节）").arg(kMaxScriptBytes)};
    const QString all = QString::fromUtf8(text);
    const QStringList lines = all.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        const std::vector<Token> tokens = Tokenize(line);
        if (tokens.empty())
            continue;
        const int lineNumber = int(i) + 1;
        const int endColumn = tokens.back().column + int(tokens.back().text.size());
        ScriptCommand command;
        command.line = lineNumber;
        command.text = line.left(endColumn - 1).trimmed();
        LineParser parser(tokens, lineNumber, endColumn);
        if (!ParseCommand(parser, tokens[0], command, endColumn) || !parser.End())
            return parser.error;
        out.commands.push_back(std::move(command));
    }
    return std::nullopt;
}

} // namespace kdx::render
