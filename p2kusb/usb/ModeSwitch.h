// Switching an AT-mode phone to P2K mode over its modem's bulk endpoints, without the tty
// (/dev/ttyACM* belongs to the dialout group, the USB device to the user at the seat).
#pragma once

#include <atomic>
#include <memory>
#include <string_view>

struct libusb_device;

namespace p2kusb::usb {

class Context;

enum class SwitchResult {
    Sent,    // "AT+MODE=8" went out and was not refused: the phone should come back in P2K mode
    Refused, // the phone answered ERROR
    Failed,  // no modem interface, not claimable, or a write did not go through
};

enum class ModemAnswer { Pending, Ok, Error };

// What the modem said so far: its final line is "OK" or an "ERROR" of some kind; echoes and
// other lines before it do not count.
[[nodiscard]] ModemAnswer modemAnswer(std::string_view received);

// Bounded to a few seconds; gives up early when `stop` turns true.
[[nodiscard]] SwitchResult switchToP2k(std::shared_ptr<Context> context, libusb_device* device,
                                       const std::atomic<bool>& stop);

} // namespace p2kusb::usb
