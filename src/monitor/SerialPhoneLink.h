#pragma once
#include "phonelink/ForwardingPhoneLink.h"

#include <mutex>

namespace zandrel {

// Passes every call on to another PhoneLink one at a time, whichever thread makes it: the
// connection monitor asks the phone from a thread of its own while the window's handlers use
// it too, and the library never sees two calls at once.
class SerialPhoneLink final : public ForwardingPhoneLink<SerialPhoneLink> {
public:
    explicit SerialPhoneLink(PhoneLink& link) : ForwardingPhoneLink(link) {}

    // Keeps the link for a run of calls that nothing may come between, such as a tick's status
    // and free space.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> hold() { return std::unique_lock(mutex_); }

    template <typename Call> int32_t pass(Call call)
    {
        const auto held = hold();
        return call();
    }

private:
    std::recursive_mutex mutex_;
};

} // namespace zandrel
