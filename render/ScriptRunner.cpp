#include "render/ScriptRunner.h"

#include "common/OutputFile.h"
#include "render/PageRenderer.h"

#include <QBuffer>
#include <QFile>
#include <QStringList>

namespace kdx::render {
namespace {

QString PageText(const TerminalSession& session)
{
    if (session.CurrentPage() < 0)
        return QStringLiteral("没有显示页面");
    return QStringLiteral("页面 %1").arg(session.Image().Pages()[size_t(session.CurrentPage())].id);
}

int PageIndexOf(const TerminalImage& image, uint32_t id)
{
    for (size_t i = 0; i < image.Pages().size(); ++i)
        if (image.Pages()[i].id == id)
            return int(i);
    return -1;
}

} // namespace

QString DescribeBlock(SendReason reason, const QByteArray& bytes)
{
    return ReasonName(reason) + QLatin1Char(' ') + QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString DescribeFailure(const QString& scriptPath, const Script& script, const ScriptOutcome& outcome)
{
    const ScriptCommand& c = script.commands[outcome.command];
    return QStringLiteral("%1:%2: 失败：%3\n  期望：%4\n  实际：%5")
        .arg(scriptPath).arg(c.line).arg(c.text, outcome.expected, outcome.actual);
}

QString DescribeSummary(const QString& scriptPath, const ScriptRunner& runner)
{
    const size_t checks = runner.Outcomes().size();
    return QStringLiteral("%1：%2项检查，%3项通过，%4项失败（虚拟时间 %5 毫秒）")
        .arg(scriptPath).arg(checks).arg(checks - size_t(runner.FailureCount())).arg(runner.FailureCount()).arg(runner.Now());
}

void ScriptRunner::OnSent(const SentBlock& sent)
{
    if (m_pending.size() >= kMaxPending)
        m_pending.pop_front();
    m_pending.push_back({sent.reason, sent.block->bytes});
}

int64_t ScriptRunner::NextDelay() const
{
    if (AtEnd())
        return 0;
    const ScriptCommand& c = NextCommand();
    if (c.op == ScriptOp::Wait || (c.op == ScriptOp::Touch && m_touchPressed))
        return c.ms;
    return 0;
}

void ScriptRunner::Step(TerminalSession& session)
{
    if (AtEnd())
        return;
    const ScriptCommand& c = m_script.commands[m_next];
    if (c.op == ScriptOp::Touch && !m_touchPressed) {
        session.Press(c.x, c.y, m_now);
        m_touchPressed = true;
        return;
    }
    m_touchPressed = false;
    Run(c, session);
    ++m_next;
}

void ScriptRunner::RunToEnd(TerminalSession& session)
{
    while (!AtEnd())
        Step(session);
}

void ScriptRunner::RunHeadless(std::shared_ptr<const TerminalImage> image)
{
    TerminalSession::Listener listener;
    listener.sent = [this](const SentBlock& sent) { OnSent(sent); };
    TerminalSession session(std::move(image), listener);
    session.Start();
    RunToEnd(session);
}

void ScriptRunner::Run(const ScriptCommand& c, TerminalSession& session)
{
    switch (c.op) {
    case ScriptOp::Touch:
        m_now += c.ms;
        session.Tick(m_now);
        session.Release(m_now);
        break;
    case ScriptOp::Press: session.Press(c.x, c.y, m_now); break;
    case ScriptOp::Release: session.Release(m_now); break;
    case ScriptOp::Wait:
        m_now += c.ms;
        session.Tick(m_now);
        break;
    case ScriptOp::ExpectPage: {
        const int page = session.CurrentPage();
        const bool passed = page >= 0 && session.Image().Pages()[size_t(page)].id == c.id;
        Expect(c, passed, QStringLiteral("页面 %1").arg(c.id), PageText(session));
        break;
    }
    case ScriptOp::ExpectSent: ExpectSent(c); break;
    case ScriptOp::ExpectNothingSent: ExpectNothingSent(c); break;
    case ScriptOp::Shot: Shot(c, session); break;
    case ScriptOp::Goto: Goto(c, session); break;
    }
}

void ScriptRunner::Expect(const ScriptCommand& command, bool passed, QString expected, QString actual)
{
    const size_t index = size_t(&command - m_script.commands.data());
    m_outcomes.push_back({index, passed, std::move(expected), std::move(actual)});
    m_failures += passed ? 0 : 1;
}

void ScriptRunner::ExpectSent(const ScriptCommand& c)
{
    const QString expected = c.reason ? DescribeBlock(*c.reason, c.bytes) : QString::fromLatin1(c.bytes.toHex(' ').toUpper());
    if (m_pending.empty()) {
        Expect(c, false, QStringLiteral("发送 ") + expected, QStringLiteral("没有发送"));
        return;
    }
    const Pending sent = m_pending.front();
    m_pending.pop_front();
    const bool passed = sent.bytes == c.bytes && (!c.reason || *c.reason == sent.reason);
    Expect(c, passed, QStringLiteral("发送 ") + expected, QStringLiteral("发送 ") + DescribeBlock(sent.reason, sent.bytes));
}

void ScriptRunner::ExpectNothingSent(const ScriptCommand& c)
{
    QStringList sent;
    for (const Pending& p : m_pending)
        sent << DescribeBlock(p.reason, p.bytes);
    m_pending.clear();
    Expect(c, sent.isEmpty(), QStringLiteral("没有发送"), QStringLiteral("发送 ") + sent.join(QStringLiteral("；")));
}

void ScriptRunner::Shot(const ScriptCommand& c, TerminalSession& session)
{
    const QString expected = QStringLiteral("截图“%1”").arg(c.file);
    if (session.CurrentPage() < 0) {
        Expect(c, false, expected, QStringLiteral("没有显示页面"));
        return;
    }
    const QImage screen = RenderPage(session.Image(), session.CurrentPage(), session.PressedRecord());
    if (screen.isNull()) {
        Expect(c, false, expected, QStringLiteral("内存不足"));
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    screen.save(&buffer, "PNG");
    const OutputTarget target = ResolveOutput(QFile::encodeName(c.file).toStdString());
    std::u16string reason;
    if (target.refusal != OutputRefusal::None)
        reason = DescribeOutputRefusal(target);
    else
        WriteOutputFile(target, std::span(reinterpret_cast<const uint8_t*>(png.constData()), size_t(png.size())), &reason);
    if (!reason.empty())
        Expect(c, false, expected, QString::fromStdU16String(reason));
}

void ScriptRunner::Goto(const ScriptCommand& c, TerminalSession& session)
{
    const int page = PageIndexOf(session.Image(), c.id);
    if (page < 0) {
        Expect(c, false, QStringLiteral("页面 %1").arg(c.id), QStringLiteral("影像中没有这个页面"));
        return;
    }
    session.ShowPage(page);
}

} // namespace kdx::render
