#include "ui/WaitingPhoneLink.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <exception>
#include <memory>

using namespace zandrel;

namespace {
// What the phone thread hands back: the result, or what the call threw.
template <typename Result> struct Outcome {
    Completion ended;
    Result result{};
    std::exception_ptr thrown;
};
} // namespace

template <typename Result, typename Call> Result WaitingPhoneLink::wait(Call call)
{
    if (closing_)
        throw PhoneLinkClosed();
    auto outcome = std::make_shared<Outcome<Result>>();
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

void WaitingPhoneLink::paintWhileWaiting(Completion& ended)
{
    // A quick call costs no event processing; a run of quick calls, or a slow one, paints the
    // window every kPaintEvery.
    while (!ended.waitUntil(lastPaint_ + kPaintEvery)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lastPaint_ = std::chrono::steady_clock::now();
        if (hooks_.whileWaiting)
            hooks_.whileWaiting();
        if (closing_) {
            if (ended.waitFor(kPatienceAtClose))
                return;
            if (hooks_.stuckAtClose)
                hooks_.stuckAtClose();
            // The call still holds what the handler gave it; the handler must not go on.
            throw PhoneLinkClosed();
        }
    }
    if (std::chrono::steady_clock::now() - lastPaint_ >= kPaintEvery) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lastPaint_ = std::chrono::steady_clock::now();
        if (hooks_.whileWaiting)
            hooks_.whileWaiting();
    }
}

int32_t WaitingPhoneLink::init()
{
    return wait<int32_t>([&] { return link_.init(); });
}
int32_t WaitingPhoneLink::getStatus()
{
    return wait<int32_t>([&] { return link_.getStatus(); });
}
int32_t WaitingPhoneLink::restart()
{
    return wait<int32_t>([&] { return link_.restart(); });
}
int32_t WaitingPhoneLink::fileCount()
{
    return wait<int32_t>([&] { return link_.fileCount(); });
}
int32_t WaitingPhoneLink::fileList(void* records, int32_t count)
{
    return wait<int32_t>([&] { return link_.fileList(records, count); });
}
int32_t WaitingPhoneLink::volInfo(int32_t* info)
{
    return wait<int32_t>([&] { return link_.volInfo(info); });
}
int32_t WaitingPhoneLink::fileDelete(const std::string& path)
{
    return wait<int32_t>([&] { return link_.fileDelete(path); });
}
int32_t WaitingPhoneLink::fileCreate(const std::string& path, int32_t mode)
{
    return wait<int32_t>([&] { return link_.fileCreate(path, mode); });
}
int32_t WaitingPhoneLink::fileWrite(const void* data, int32_t size, int32_t last)
{
    return wait<int32_t>([&] { return link_.fileWrite(data, size, last); });
}
int32_t WaitingPhoneLink::fileClose()
{
    return wait<int32_t>([&] { return link_.fileClose(); });
}
int32_t WaitingPhoneLink::seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file)
{
    return wait<int32_t>([&] { return link_.seemWrite(seem, record, a, b, file); });
}
// Whether the library has the call is known since it was loaded; nothing to wait for.
bool WaitingPhoneLink::canFetch() { return link_.canFetch(); }
int32_t WaitingPhoneLink::fileFetch(const std::string& path, int32_t fd)
{
    return wait<int32_t>([&] { return link_.fileFetch(path, fd); });
}
