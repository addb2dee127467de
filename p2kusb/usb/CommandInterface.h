// Finding and claiming a P2K-mode phone's command interface.
#pragma once

#include <cstdint>
#include <memory>

struct libusb_device;

namespace p2kusb::usb {

class Context;
class OpenDevice;

enum class ClaimOutcome {
    Claimed,
    NotAPhone, // its interfaces' names were read and none is the command interface
    Failed,    // not opened (permissions: see the udev rule), not claimed, or still settling
};

struct Claim {
    ClaimOutcome outcome = ClaimOutcome::Failed;
    std::shared_ptr<OpenDevice> device; // when claimed
    bool byName = false;                // false: the fallback interface
};

// Opens the device and claims the interface whose name ends in "Test Command". When no name can
// be read, the fallback interface (8) is claimed if the device has one without endpoints.
[[nodiscard]] Claim claimCommandInterface(std::shared_ptr<Context> context, libusb_device* device);

} // namespace p2kusb::usb
