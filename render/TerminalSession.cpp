#include "render/TerminalSession.h"

namespace kdx::render {

TerminalSession::TerminalSession(std::shared_ptr<const TerminalImage> image, Listener listener)
    : m_image(std::move(image)), m_listener(std::move(listener))
{
}

void TerminalSession::Start(int page)
{
    m_page = -1;
    EndPress();
    if (m_image->Pages().empty())
        return;
    m_page = page >= 0 && size_t(page) < m_image->Pages().size() ? page : 0;
    if (m_listener.pageShown)
        m_listener.pageShown(m_page);
    Send(SendReason::PageLoad, m_image->Pages()[size_t(m_page)].loadSend, -1);
}

void TerminalSession::ShowPage(int page)
{
    if (page < 0 || size_t(page) >= m_image->Pages().size())
        return;
    EndPress();
    if (m_page >= 0)
        Send(SendReason::PageUnload, m_image->Pages()[size_t(m_page)].unloadSend, -1);
    m_page = page;
    if (m_listener.pageShown)
        m_listener.pageShown(m_page);
    Send(SendReason::PageLoad, m_image->Pages()[size_t(m_page)].loadSend, -1);
}

void TerminalSession::Press(int x, int y, int64_t ms)
{
    if (m_page < 0 || m_touching)
        return;
    m_touching = true;
    m_pressMs = ms;
    m_acted = false;
    const std::vector<Record>& records = m_image->Pages()[size_t(m_page)].records;
    for (size_t i = records.size(); i-- > 0;) {
        if (records[i].Contains(x, y) && records[i].HasTouchBehaviour(m_image->Pictures())) {
            m_pressed = int(i);
            break;
        }
    }
    if (m_pressed >= 0 && m_listener.pressedChanged)
        m_listener.pressedChanged();
    Tick(ms);
}

void TerminalSession::Tick(int64_t ms)
{
    if (!m_touching || m_pressed < 0 || m_acted)
        return;
    const Record& r = m_image->Pages()[size_t(m_page)].records[size_t(m_pressed)];
    if (r.condition < 8 || ms - m_pressMs < int64_t(r.condition - 8) * kConditionStepMs)
        return;
    m_acted = true;
    Act(m_pressed);
}

void TerminalSession::Release(int64_t ms)
{
    if (!m_touching)
        return;
    const int record = m_pressed;
    const bool acted = m_acted;
    const int64_t held = ms - m_pressMs;
    EndPress();
    if (record < 0 || acted)
        return;
    const Record& r = m_image->Pages()[size_t(m_page)].records[size_t(record)];
    if (r.condition < 8 && held >= int64_t(r.condition) * kConditionStepMs)
        Act(record);
}

void TerminalSession::EndPress()
{
    const bool wasPressed = m_pressed >= 0;
    m_touching = false;
    m_pressed = -1;
    m_acted = false;
    if (wasPressed && m_listener.pressedChanged)
        m_listener.pressedChanged();
}

void TerminalSession::Act(int record)
{
    const Record r = m_image->Pages()[size_t(m_page)].records[size_t(record)];
    Send(SendReason::Touch, r.send, record);
    if (r.jumpPage >= 0)
        ShowPage(r.jumpPage);
}

void TerminalSession::Send(SendReason reason, int send, int record)
{
    if (send < 0 || !m_listener.sent)
        return;
    m_listener.sent(SentBlock{reason, m_page, record, &m_image->Sends()[size_t(send)]});
}

} // namespace kdx::render
