#include "sim/ScriptPlayer.h"

#include "sim/SimulatorWindow.h"

#include <cstdio>

namespace kdx::sim {

ScriptPlayer::ScriptPlayer(SimulatorWindow& window, render::Script script, QString scriptPath)
    : m_window(window), m_script(std::move(script)), m_runner(m_script), m_path(std::move(scriptPath))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScriptPlayer::StepOnce);
    // Installed before the image runs, so that its first load bytes count.
    m_window.SetSentObserver([this](const render::SentBlock& sent) { m_runner.OnSent(sent); });
}

void ScriptPlayer::Start()
{
    if (m_started)
        return;
    if (!m_window.Session()) {
        connect(&m_window, &SimulatorWindow::ImageLoaded, this, &ScriptPlayer::Start, Qt::SingleShotConnection);
        return;
    }
    m_started = true;
    m_window.Log(QStringLiteral("开始运行脚本“%1”").arg(m_path));
    Schedule();
}

void ScriptPlayer::Schedule()
{
    if (m_runner.AtEnd()) {
        const QString summary = render::DescribeSummary(m_path, m_runner);
        m_window.Log(summary);
        std::printf("%s\n", summary.toUtf8().constData());
        std::fflush(stdout);
        emit Done(m_runner.FailureCount());
        return;
    }
    m_timer.start(int(std::max<int64_t>(m_runner.NextDelay(), m_pauseMs)));
}

void ScriptPlayer::StepOnce()
{
    render::TerminalSession* session = m_window.Session();
    if (!session)
        return;
    const render::ScriptCommand& command = m_runner.NextCommand();
    const size_t outcomes = m_runner.Outcomes().size();
    if (&command != m_lastLogged)
        m_window.Log(QStringLiteral("脚本第%1行：%2").arg(command.line).arg(command.text));
    m_lastLogged = &command;
    m_runner.Step(*session);
    for (size_t i = outcomes; i < m_runner.Outcomes().size(); ++i) {
        if (m_runner.Outcomes()[i].passed)
            continue;
        const QString failure = render::DescribeFailure(m_path, m_script, m_runner.Outcomes()[i]);
        m_window.Log(failure);
        std::printf("%s\n", failure.toUtf8().constData());
    }
    Schedule();
}

} // namespace kdx::sim
