// Finding and claiming a P2K-mode phone's command interface.
#pragma once

#include <memory>

struct libusb_device;

namespace p2kusb::usb {

class Context;
class OpenDevice;

// Opens the device and claims the interface whose name ends in "Test Command". Null when the
// device cannot be opened (permissions: see the udev rule), has no such interface, or another
// program holds it.
[[nodiscard]] std::shared_ptr<OpenDevice> claimCommandInterface(std::shared_ptr<Context> context,
                                                                libusb_device* device);

} // namespace p2kusb::usb
