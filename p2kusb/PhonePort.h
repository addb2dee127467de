// The seam between the USB transport and the rest of the real phone's library. The transport
// (libusb, a background hotplug thread) implements PhonePort and ControlPipe; the message layer
// and the session only ever see these two classes, so the tests can put a simulated phone here.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace p2kusb {

using Bytes = std::vector<std::uint8_t>;
using Millis = std::chrono::milliseconds;

enum class PipeStatus { Ok, Timeout, Gone, Failed };

// Control transfers on endpoint 0 addressed to the phone's "Test Command" interface
// (wIndex = that interface's number, filled in by the transport).
class ControlPipe {
public:
    virtual ~ControlPipe() = default;
    // bmRequestType 0x41 (vendor, interface, host to device).
    virtual PipeStatus sendOut(std::uint8_t request, std::uint16_t value, const Bytes& data,
                               Millis timeout) = 0;
    // bmRequestType 0xC1 (vendor, interface, device to host). `reply` is resized to what the
    // phone sent, never more than `length` bytes.
    virtual PipeStatus receiveIn(std::uint8_t request, std::uint16_t value, std::uint16_t length,
                                 Bytes& reply, Millis timeout) = 0;
};

struct UsbId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};

// The phone as the hotplug thread sees it. An AT-mode phone that turns up is switched to P2K mode
// by the transport itself, so after a restart the phone comes back without the session's help.
class PhonePort {
public:
    virtual ~PhonePort() = default;
    // Starts watching the bus; calling it again is harmless.
    virtual void start() = 0;
    // True while a phone in P2K mode has its command interface claimed. No USB I/O: it is asked
    // once a second from the window's thread.
    virtual bool connected() const = 0;
    // The claimed phone's pipe, or null. A pipe outlives an unplug and then fails with Gone.
    virtual std::shared_ptr<ControlPipe> pipe() = 0;
};

// Settings of the library, from the environment and a small config file (Config.cpp).
struct LibraryConfig {
    std::string packetLogPath{};                    // empty: no packet log
    std::uint64_t packetLogLimit = 4 * 1024 * 1024; // bytes before the log is begun again
    std::vector<UsbId> atModeIds{};                 // phones in AT mode, beside the built-in pairs
    std::vector<UsbId> p2kModeIds{};
};

} // namespace p2kusb
