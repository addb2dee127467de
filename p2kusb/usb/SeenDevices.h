// Devices the port has already acted on, remembered for as long as they stay on the bus.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

struct libusb_device;

namespace p2kusb::usb {

class DeviceList;

class SeenDevices {
public:
    using Clock = std::chrono::steady_clock;

    SeenDevices() = default;
    ~SeenDevices();
    SeenDevices(const SeenDevices&) = delete;
    SeenDevices& operator=(const SeenDevices&) = delete;

    // Holds a reference, so the address cannot turn into another device's while remembered.
    // Returns how often the device was remembered in this appearance, this time included.
    int remember(libusb_device* device, Clock::time_point when, std::string label = {});
    [[nodiscard]] bool contains(libusb_device* device) const;
    [[nodiscard]] int count(libusb_device* device) const;
    // True when `device` was remembered less than `interval` ago.
    [[nodiscard]] bool recent(libusb_device* device, Clock::duration interval,
                              Clock::time_point now) const;
    // A device that left the bus is a new appearance when it comes back. Returns the labels of
    // those forgotten.
    std::vector<std::string> forgetAbsent(const DeviceList& present);
    void clear();

private:
    struct Seen {
        Clock::time_point when;
        int count = 0;
        std::string label;
    };
    std::map<libusb_device*, Seen> seen_;
};

} // namespace p2kusb::usb
