// A USB device as the umockdev testbed shows it: sysfs attributes and the descriptors blob that
// libusb reads at enumeration, and the string descriptors it asks the device for.
#pragma once

#include "PhonePort.h"

#include <cstdint>
#include <string>
#include <vector>

namespace p2kusb::usb::test {

struct MockEndpoint {
    std::uint8_t address = 0;
    std::uint8_t type = 0; // LIBUSB_TRANSFER_TYPE_*
};

struct MockInterface {
    std::uint8_t number = 0;
    std::uint8_t interfaceClass = 0;
    std::string name; // empty: iInterface 0
    std::vector<MockEndpoint> endpoints;
    std::string kernelDriver; // empty: none bound
};

struct MockDevice {
    UsbId id;
    std::uint8_t devnum = 1; // the address on bus 1
    std::vector<MockInterface> interfaces;
    bool namesReadable = true; // false: every string descriptor request stalls
    int failedModemWrites = 0; // the modem stalls this many bulk writes before it takes any
};

// A P2K-mode phone of the E398 family: modem interfaces 0 and 1, the command interface as 8.
[[nodiscard]] MockDevice p2kPhone(std::uint8_t devnum);
// The same phone in AT mode: a CDC modem with cdc_acm bound to it.
[[nodiscard]] MockDevice atPhone(std::uint8_t devnum);

// Device descriptor followed by the one configuration, as sysfs' "descriptors" holds them.
[[nodiscard]] Bytes descriptorsOf(const MockDevice& device);
// String descriptor `index` (0: the language list), or empty when the device has no such string.
[[nodiscard]] Bytes stringDescriptor(const MockDevice& device, std::uint8_t index);
// umockdev's text form of the device (P:, N:, E:, A:, H: lines).
[[nodiscard]] std::string umockdevRecord(const MockDevice& device);
[[nodiscard]] std::string devicePath(const MockDevice& device); // e.g. /dev/bus/usb/001/003
[[nodiscard]] std::string sysfsPath(const MockDevice& device);  // e.g. /sys/devices/usb1/1-3

} // namespace p2kusb::usb::test
