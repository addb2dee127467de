#include "ui/phonework/WaitingPhoneLink.h"

#include <QCoreApplication>
#include <QEventLoop>

void WaitingPhoneLink::paintWhileWaiting(Completion& ended)
{
    // A quick call costs no event processing; a run of quick calls, or a slow one, paints the
    // window every kPaintEvery.
    while (!ended.waitUntil(lastPaint_ + kPaintEvery)) {
        paintNow();
        if (closing_) {
            if (ended.waitFor(kPatienceAtClose))
                return;
            if (hooks_.stuckAtClose)
                hooks_.stuckAtClose();
            // The call still holds what the handler gave it; the handler must not go on.
            throw PhoneLinkClosed();
        }
    }
    if (std::chrono::steady_clock::now() - lastPaint_ >= kPaintEvery)
        paintNow();
}

void WaitingPhoneLink::paintNow()
{
    // Input waits in the queue, as it would for a window that is busy; painting, timers and a
    // close go on.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    lastPaint_ = std::chrono::steady_clock::now();
    if (hooks_.whileWaiting)
        hooks_.whileWaiting();
}
