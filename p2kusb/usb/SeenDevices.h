// Devices the port has already acted on, remembered for as long as they stay on the bus.
#pragma once

#include <chrono>
#include <map>

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
    void remember(libusb_device* device, Clock::time_point when);
    [[nodiscard]] bool contains(libusb_device* device) const;
    // True when `device` was remembered less than `interval` ago.
    [[nodiscard]] bool recent(libusb_device* device, Clock::duration interval,
                              Clock::time_point now) const;
    // A device that left the bus is a new appearance when it comes back.
    void forgetAbsent(const DeviceList& present);
    void clear();

private:
    std::map<libusb_device*, Clock::time_point> seen_;
};

} // namespace p2kusb::usb
