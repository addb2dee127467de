#pragma once
#include "phonelink/ForwardingPhoneLink.h"
#include "ui/phonework/PhoneThread.h"

#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>

// Thrown by a call made after the window began to close: the handler ends without touching the
// phone again, and without a box.
class PhoneLinkClosed : public std::runtime_error {
public:
    PhoneLinkClosed() : std::runtime_error("The window is closing") {}
};

// The phone link of the window's handlers: each call runs on the phone thread while the window's
// thread waits for it, painting the window (and nothing else: input waits, as it would for a
// window that is busy) every few hundredths of a second. The handler itself stays one straight
// run of calls, in the order it makes them.
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

    // The window is closing: a call still out gets a short while to end, later calls throw
    // PhoneLinkClosed.
    void close() { closing_ = true; }

    // Makes the call on the phone thread and waits for it.
    template <typename Call> int32_t pass(Call call);

    // How long a call may run before the window is painted, and how long a closing window waits
    // for a call still out.
    static constexpr std::chrono::milliseconds kPaintEvery{40};
    static constexpr std::chrono::milliseconds kPatienceAtClose{1500};

private:
    void paintWhileWaiting(Completion& ended);
    void paintNow();

    PhoneThread& thread_;
    Hooks hooks_;
    bool closing_ = false;
    std::chrono::steady_clock::time_point lastPaint_ = std::chrono::steady_clock::now();
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
    if (closing_)
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
