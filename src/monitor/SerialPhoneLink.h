#pragma once
#include "phonelink/PhoneLink.h"

#include <mutex>

namespace zandrel {

// Passes every call on to another PhoneLink one at a time, whichever thread makes it: the
// connection monitor asks the phone from a thread of its own while the window's handlers use
// it too, and the library never sees two calls at once.
class SerialPhoneLink final : public PhoneLink {
public:
    explicit SerialPhoneLink(PhoneLink& link) : link_(link) {}

    // Keeps the link for a run of calls that nothing may come between, such as a tick's status
    // and free space.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> hold() { return std::unique_lock(mutex_); }

    int32_t init() override;
    int32_t getStatus() override;
    int32_t restart() override;
    int32_t fileCount() override;
    int32_t fileList(void* records, int32_t count) override;
    int32_t volInfo(int32_t* info) override;
    int32_t fileDelete(const std::string& path) override;
    int32_t fileCreate(const std::string& path, int32_t mode) override;
    int32_t fileWrite(const void* data, int32_t size, int32_t last) override;
    int32_t fileClose() override;
    int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) override;
    bool canFetch() override { return link_.canFetch(); }
    int32_t fileFetch(const std::string& path, int32_t fd) override;

private:
    template <typename Call> int32_t serial(Call call)
    {
        const auto held = hold();
        return call();
    }

    PhoneLink& link_;
    std::recursive_mutex mutex_;
};

} // namespace zandrel
