#pragma once
#include "phonelink/ForwardingPhoneLink.h"
#include "ui/phonework/PhoneThread.h"

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>

// Thrown by a call made long after the window began to close (work that never asked whether to
// stop), or after a call that never returned: the handler ends without touching the phone again.
class PhoneLinkClosed : public std::runtime_error {
public:
    PhoneLinkClosed() : std::runtime_error("The window is closing") {}
};

// The phone link of the window's handlers: each call runs on the phone thread while the window's
// thread waits for it, letting the window take a turn every few hundredths of a second (painting,
// the frame, Stop and Esc; WorkGate keeps every other input out). The handler itself stays one
// straight run of calls, in the order it makes them.
class WaitingPhoneLink final : public zandrel::ForwardingPhoneLink<WaitingPhoneLink> {
public:
    struct Hooks {
        // Runs between repaints while a call is still out, e.g. to move a progress bar.
        std::function<void()> whileWaiting;
        // The window was closed and the call still out did not end in time.
        std::function<void()> stuckAtClose;
    };

    WaitingPhoneLink(zandrel::PhoneLink& link, PhoneThread& thread, Hooks hooks)
        : ForwardingPhoneLink(link), thread_(thread), hooks_(std::move(hooks))
    {
    }

    // The window is closing: the work has been asked to stop and ends its step. A call that does
    // not end within patienceAtClose() counts as one that never returns. Work that goes on
    // regardless is cut short: past kCallsAfterClose calls (an upload's delete, create, write
    // and close) or kGraceAtClose, a call throws PhoneLinkClosed.
    void close();

    // Makes the call on the phone thread and waits for it.
    template <typename Call> int32_t pass(Call call);

    // How long a call may run before the window takes a turn, and how long a closing window
    // waits at least for a call still out: twice the slowest call so far, within these bounds.
    static constexpr std::chrono::milliseconds kPaintEvery{25};
    static constexpr std::chrono::milliseconds kPatienceAtClose{1500};
    static constexpr std::chrono::milliseconds kLongestPatienceAtClose{10000};
    static constexpr std::chrono::milliseconds kGraceAtClose{15000};
    static constexpr int kCallsAfterClose = 4;
    std::chrono::milliseconds patienceAtClose() const;

private:
    using Clock = std::chrono::steady_clock;
    void paintWhileWaiting(Completion& ended);
    void paintNow();

    PhoneThread& thread_;
    Hooks hooks_;
    bool closing_ = false;
    Clock::time_point closedAt_;
    int callsAfterClose_ = 0;
    Clock::duration slowestCall_{};
    Clock::time_point lastPaint_ = Clock::now();
};

namespace waiting_detail {
// What the phone thread hands back: the result, or what the call threw.
struct Outcome {
    Completion ended;
    int32_t result = 0;
    std::exception_ptr thrown;
};
} // namespace waiting_detail

template <typename Call> int32_t WaitingPhoneLink::pass(Call call)
{
    if (closing_ &&
        (++callsAfterClose_ > kCallsAfterClose || Clock::now() - closedAt_ > kGraceAtClose))
        throw PhoneLinkClosed();
    auto outcome = std::make_shared<waiting_detail::Outcome>();
    thread_.post([outcome, call] {
        try {
            outcome->result = call();
        } catch (...) {
            outcome->thrown = std::current_exception();
        }
        outcome->ended.finish();
    });
    paintWhileWaiting(outcome->ended);
    if (outcome->thrown)
        std::rethrow_exception(outcome->thrown);
    return outcome->result;
}
