#pragma once
#include "phonelink/PhoneLink.h"
#include "ui/PhoneThread.h"

#include <chrono>
#include <functional>
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
class WaitingPhoneLink final : public zandrel::PhoneLink {
public:
    struct Hooks {
        // Runs between repaints while a call is still out, e.g. to move a progress bar.
        std::function<void()> whileWaiting;
        // The window was closed and the call still out did not end in time.
        std::function<void()> stuckAtClose;
    };

    WaitingPhoneLink(zandrel::PhoneLink& link, PhoneThread& thread, Hooks hooks)
        : link_(link), thread_(thread), hooks_(std::move(hooks))
    {
    }

    // The window is closing: a call still out gets a short while to end, later calls throw
    // PhoneLinkClosed.
    void close() { closing_ = true; }

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
    bool canFetch() override;
    int32_t fileFetch(const std::string& path, int32_t fd) override;

    // How long a call may run before the window is painted, and how long a closing window waits
    // for a call still out.
    static constexpr std::chrono::milliseconds kPaintEvery{40};
    static constexpr std::chrono::milliseconds kPatienceAtClose{1500};

private:
    template <typename Result, typename Call> Result wait(Call call);
    void paintWhileWaiting(Completion& ended);

    zandrel::PhoneLink& link_;
    PhoneThread& thread_;
    Hooks hooks_;
    bool closing_ = false;
    std::chrono::steady_clock::time_point lastPaint_ = std::chrono::steady_clock::now();
};
