#pragma once
#include "render/TerminalImage.h"

#include <functional>
#include <memory>

namespace kdx::render {

// Why a block of bytes went out.
enum class SendReason { PageLoad, PageUnload, Touch };

struct SentBlock {
    SendReason reason = SendReason::Touch;
    int page = 0;    // the page shown when it was sent
    int record = -1; // the touched record, for touch bytes
    const SendBlock* block = nullptr;
};

// The terminal's behaviour while it runs an image: which page it shows, and
// what a touch does. Time is given by the caller in milliseconds, so that
// the rules can be driven by a real clock or by a test.
//
// A press hits the topmost record with touch behaviour under it; a picture
// with a pressed frame shows it while pressed. The record's execution
// condition decides when the touch acts: 0-7 on release, if the touch was
// held at least 0.25 s times the condition; 8-15 while still touching,
// 0.25 s times (condition - 8) after the press. Acting sends the record's
// custom bytes and, when it has a jump target, the page's unload bytes,
// shows the target page and sends its load bytes.
class TerminalSession {
public:
    struct Listener {
        std::function<void(const SentBlock&)> sent;
        std::function<void(int page)> pageShown;
        std::function<void()> pressedChanged;
    };

    TerminalSession(std::shared_ptr<const TerminalImage> image, Listener listener);

    // Shows the page (the first one when it does not exist) and sends its
    // load bytes.
    void Start(int page = 0);
    // Leaves the current page (its unload bytes) for another (its load bytes).
    void ShowPage(int page);

    void Press(int x, int y, int64_t ms);
    void Release(int64_t ms);
    // Lets a touch that acts while held act once its time has come.
    void Tick(int64_t ms);

    const TerminalImage& Image() const { return *m_image; }
    int CurrentPage() const { return m_page; }
    // The record shown pressed, -1 when none.
    int PressedRecord() const { return m_pressed; }
    bool IsTouching() const { return m_touching; }

    static constexpr int kConditionStepMs = 250;

private:
    void Act(int record);
    void Send(SendReason reason, int send, int record);
    void EndPress();

    std::shared_ptr<const TerminalImage> m_image;
    Listener m_listener;
    int m_page = -1;
    bool m_touching = false;
    int m_pressed = -1;   // the hit record
    int64_t m_pressMs = 0;
    bool m_acted = false; // a while-touching action has run
};

} // namespace kdx::render
