#include "SeenDevices.h"

#include "Libusb.h"

#include <libusb.h>

namespace p2kusb::usb {

SeenDevices::~SeenDevices() { clear(); }

int SeenDevices::remember(libusb_device* device, Clock::time_point when, std::string label)
{
    const auto [entry, added] = seen_.try_emplace(device, Seen{when, 0, std::move(label)});
    if (added)
        libusb_ref_device(device);
    entry->second.when = when;
    return ++entry->second.count;
}

bool SeenDevices::contains(libusb_device* device) const { return seen_.contains(device); }

int SeenDevices::count(libusb_device* device) const
{
    const auto entry = seen_.find(device);
    return entry == seen_.end() ? 0 : entry->second.count;
}

bool SeenDevices::recent(libusb_device* device, Clock::duration interval,
                         Clock::time_point now) const
{
    const auto entry = seen_.find(device);
    return entry != seen_.end() && now - entry->second.when < interval;
}

std::vector<std::string> SeenDevices::forgetAbsent(const DeviceList& present)
{
    std::vector<std::string> forgotten;
    for (auto entry = seen_.begin(); entry != seen_.end();) {
        if (present.contains(entry->first)) {
            ++entry;
            continue;
        }
        forgotten.push_back(std::move(entry->second.label));
        libusb_unref_device(entry->first);
        entry = seen_.erase(entry);
    }
    return forgotten;
}

void SeenDevices::clear()
{
    for (const auto& entry : seen_)
        libusb_unref_device(entry.first);
    seen_.clear();
}

} // namespace p2kusb::usb
