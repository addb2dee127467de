#include "ui/phonework/WaitingPhoneLink.h"

#include <QCoreApplication>

#include <algorithm>

void WaitingPhoneLink::close()
{
    if (std::exchange(closing_, true))
        return;
    closedAt_ = Clock::now();
}

std::chrono::milliseconds WaitingPhoneLink::patienceAtClose() const
{
    const auto twiceSlowest = std::chrono::duration_cast<std::chrono::milliseconds>(2 * slowestCall_);
    return std::clamp(twiceSlowest, kPatienceAtClose, kLongestPatienceAtClose);
}

void WaitingPhoneLink::paintWhileWaiting(Completion& ended)
{
    // A quick call costs no event processing; a run of quick calls, or a slow one, lets the
    // window take a turn every kPaintEvery.
    const Clock::time_point start = Clock::now();
    while (!ended.waitUntil(lastPaint_ + kPaintEvery)) {
        paintNow();
        if (closing_ && Clock::now() >= std::max(start, closedAt_) + patienceAtClose()) {
            if (hooks_.stuckAtClose)
                hooks_.stuckAtClose();
            // The call still holds what the handler gave it; the handler must not go on.
            throw PhoneLinkClosed();
        }
    }
    const Clock::time_point end = Clock::now();
    slowestCall_ = std::max(slowestCall_, end - start);
    if (end - lastPaint_ >= kPaintEvery)
        paintNow();
}

void WaitingPhoneLink::paintNow()
{
    // Everything but the input WorkGate keeps out: painting, timers, the frame, Stop and Esc.
    QCoreApplication::processEvents();
    lastPaint_ = Clock::now();
    if (hooks_.whileWaiting)
        hooks_.whileWaiting();
}
