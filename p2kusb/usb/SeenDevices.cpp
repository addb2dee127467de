#include "SeenDevices.h"

#include "Libusb.h"

#include <libusb.h>

namespace p2kusb::usb {

SeenDevices::~SeenDevices() { clear(); }

void SeenDevices::remember(libusb_device* device, Clock::time_point when)
{
    const auto [entry, added] = seen_.try_emplace(device, when);
    if (added)
        libusb_ref_device(device);
    else
        entry->second = when;
}

bool SeenDevices::contains(libusb_device* device) const { return seen_.contains(device); }

bool SeenDevices::recent(libusb_device* device, Clock::duration interval,
                         Clock::time_point now) const
{
    const auto entry = seen_.find(device);
    return entry != seen_.end() && now - entry->second < interval;
}

void SeenDevices::forgetAbsent(const DeviceList& present)
{
    for (auto entry = seen_.begin(); entry != seen_.end();) {
        if (present.contains(entry->first)) {
            ++entry;
            continue;
        }
        libusb_unref_device(entry->first);
        entry = seen_.erase(entry);
    }
}

void SeenDevices::clear()
{
    for (const auto& entry : seen_)
        libusb_unref_device(entry.first);
    seen_.clear();
}

} // namespace p2kusb::usb
