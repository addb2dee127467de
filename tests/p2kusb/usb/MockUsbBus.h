// A umockdev testbed standing in for the USB bus: devices are plugged in and pulled out while the
// library under test watches. Needs the process to run under umockdev-wrapper.
#pragma once

#include <chrono>
#include <functional>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace p2kusb::usb::test {

class UsbfsBridge;

class MockUsbBus {
public:
    MockUsbBus();
    ~MockUsbBus();
    MockUsbBus(const MockUsbBus&) = delete;
    MockUsbBus& operator=(const MockUsbBus&) = delete;

    // The bridge answers the device's ioctls; it must stay until unplug or the bus goes.
    void plug(UsbfsBridge& bridge);
    void unplug(UsbfsBridge& bridge);

private:
    UMockdevTestbed* testbed_;
};

// Polls `condition` until it holds or `limit` has passed; returns its last value.
[[nodiscard]] bool waitFor(const std::function<bool()>& condition,
                           std::chrono::milliseconds limit = std::chrono::seconds(8));

} // namespace p2kusb::usb::test
