#include "MockUsbBus.h"

#include "UsbfsBridge.h"

#include <stdexcept>
#include <thread>
#include <umockdev.h>

namespace p2kusb::usb::test {

MockUsbBus::MockUsbBus() : testbed_(umockdev_testbed_new()) {}

MockUsbBus::~MockUsbBus() { g_object_unref(testbed_); }

void MockUsbBus::plug(UsbfsBridge& bridge)
{
    const MockDevice& device = bridge.device();
    // The handler first, so the device answers from the moment libusb hears of it.
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devicePath(device).c_str(), bridge.handler(),
                                       &error) ||
        !umockdev_testbed_add_from_string(testbed_, umockdevRecord(device).c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

void MockUsbBus::unplug(UsbfsBridge& bridge)
{
    // Removing the sysfs entry alone tells nobody; the kernel would send this uevent.
    umockdev_testbed_uevent(testbed_, sysfsPath(bridge.device()).c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, sysfsPath(bridge.device()).c_str());
    (void)umockdev_testbed_detach_ioctl(testbed_, devicePath(bridge.device()).c_str(), nullptr);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

} // namespace p2kusb::usb::test
