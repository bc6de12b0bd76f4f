#pragma once
#include "render/ScriptRunner.h"

#include <QObject>
#include <QTimer>

namespace kdx::sim {

class SimulatorWindow;

// Plays a test script in a simulator window, visibly: each step after a
// pause, holds and waits in real time, every command and every failed
// expectation in the event log. The rules are those of "kdx simulate".
class ScriptPlayer : public QObject {
    Q_OBJECT
public:
    ScriptPlayer(SimulatorWindow& window, render::Script script, QString scriptPath);

    // Starts once the window runs an image (at once if it does already).
    void Start();
    bool Finished() const { return m_runner.AtEnd() && m_started; }
    const render::ScriptRunner& Runner() const { return m_runner; }

    // The pause before each step, so that every step can be seen.
    void SetStepPause(int ms) { m_pauseMs = ms; }
    static constexpr int kDefaultPauseMs = 400;

signals:
    void Done(int failures);

private:
    void Schedule();
    void StepOnce();

    SimulatorWindow& m_window;
    render::Script m_script;
    render::ScriptRunner m_runner;
    QString m_path;
    QTimer m_timer;
    int m_pauseMs = kDefaultPauseMs;
    bool m_started = false;
    const render::ScriptCommand* m_lastLogged = nullptr; // a touch takes two steps
};

} // namespace kdx::sim
