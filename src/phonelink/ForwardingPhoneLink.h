#pragma once
#include "phonelink/PhoneLink.h"

namespace zandrel {

// A PhoneLink that passes every call on to another one through Wrapper::pass(call), where call
// is a callable that makes the call and gives its result: the wrapper decides how it is made
// (under a lock, on another thread...).
template <typename Wrapper> class ForwardingPhoneLink : public PhoneLink {
public:
    explicit ForwardingPhoneLink(PhoneLink& link) : link_(link) {}

    int32_t init() override
    {
        return through([this] { return link_.init(); });
    }
    int32_t getStatus() override
    {
        return through([this] { return link_.getStatus(); });
    }
    int32_t restart() override
    {
        return through([this] { return link_.restart(); });
    }
    int32_t fileCount() override
    {
        return through([this] { return link_.fileCount(); });
    }
    int32_t fileList(void* records, int32_t count) override
    {
        return through([&] { return link_.fileList(records, count); });
    }
    int32_t volInfo(int32_t* info) override
    {
        return through([&] { return link_.volInfo(info); });
    }
    int32_t fileDelete(const std::string& path) override
    {
        return through([&] { return link_.fileDelete(path); });
    }
    int32_t fileCreate(const std::string& path, int32_t mode) override
    {
        return through([&] { return link_.fileCreate(path, mode); });
    }
    int32_t fileWrite(const void* data, int32_t size, int32_t last) override
    {
        return through([&] { return link_.fileWrite(data, size, last); });
    }
    int32_t fileClose() override
    {
        return through([this] { return link_.fileClose(); });
    }
    int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) override
    {
        return through([&] { return link_.seemWrite(seem, record, a, b, file); });
    }
    // Whether the library has the call is known since it was loaded; nothing to pass.
    bool canFetch() override { return link_.canFetch(); }
    std::string phoneKind() override { return link_.phoneKind(); }
    int32_t fileFetch(const std::string& path, int32_t fd) override
    {
        return through([&] { return link_.fileFetch(path, fd); });
    }

protected:
    PhoneLink& link_;

private:
    template <typename Call> int32_t through(Call call)
    {
        return static_cast<Wrapper&>(*this).pass(call);
    }
};

} // namespace zandrel
