// Owners for libusb's context, device lists and open devices. A pipe keeps its device and the
// context alive, so a pipe that outlives the port (or an unplug) fails cleanly instead of
// touching freed libusb state.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

namespace p2kusb::usb {

class Context {
public:
    // Null when libusb cannot start (no usbfs, no memory).
    [[nodiscard]] static std::shared_ptr<Context> create();
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    libusb_context* get() const { return context_; }
    // Set by hotplug callbacks. It lives with the context rather than the port, because libusb
    // may run a callback on any thread handling events, up to the moment the context ends.
    std::atomic<bool>& busChanged() { return busChanged_; }

private:
    explicit Context(libusb_context* context) : context_(context) {}
    libusb_context* context_;
    std::atomic<bool> busChanged_{true};
};

// One look at the bus.
class DeviceList {
public:
    explicit DeviceList(const Context& context);
    ~DeviceList();
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    std::span<libusb_device* const> devices() const { return {list_, count_}; }
    [[nodiscard]] bool contains(const libusb_device* device) const;

private:
    libusb_device** list_ = nullptr;
    std::size_t count_ = 0;
};

// An open device and the one interface we claimed on it. Closing gives the interface back and
// hands it to the kernel driver we took it from, when there was one and the device is still here.
class OpenDevice {
public:
    [[nodiscard]] static std::shared_ptr<OpenDevice> open(std::shared_ptr<Context> context,
                                                          libusb_device* device);
    ~OpenDevice();
    OpenDevice(const OpenDevice&) = delete;
    OpenDevice& operator=(const OpenDevice&) = delete;

    // Detaches a bound kernel driver, then claims. False when either fails.
    [[nodiscard]] bool claim(std::uint8_t interface);
    libusb_device_handle* handle() const { return handle_; }
    libusb_device* device() const;
    std::uint8_t interface() const { return interface_; }

private:
    OpenDevice(std::shared_ptr<Context> context, libusb_device_handle* handle)
        : context_(std::move(context)), handle_(handle)
    {
    }
    std::shared_ptr<Context> context_;
    libusb_device_handle* handle_;
    std::uint8_t interface_ = 0;
    bool claimed_ = false;
    bool driverDetached_ = false;
};

// libusb takes 0 as "wait for ever"; every transfer of ours has a bound.
[[nodiscard]] unsigned int boundedTimeout(std::chrono::milliseconds timeout);

} // namespace p2kusb::usb
