#include "DeviceMatch.h"

#include <algorithm>
#include <libusb.h>
#include <span>

namespace p2kusb::usb {

namespace {

constexpr std::uint8_t kClassCdcData = 0x0A;

bool listed(UsbId id, const std::vector<UsbId>& ids)
{
    return std::any_of(ids.begin(), ids.end(), [id](const UsbId& known) {
        return known.vendor == id.vendor && known.product == id.product;
    });
}

// Each interface's first alternate setting, or null for an interface without any.
const libusb_interface_descriptor* firstSetting(const libusb_interface& interface)
{
    return interface.num_altsetting > 0 && interface.altsetting != nullptr
               ? &interface.altsetting[0]
               : nullptr;
}

bool builtIn(UsbId id, std::span<const std::uint16_t> products)
{
    return id.vendor == kPhoneVendor &&
           std::find(products.begin(), products.end(), id.product) != products.end();
}

} // namespace

PhoneMode classify(UsbId id, const LibraryConfig& config)
{
    // A pair listed as both is taken as P2K mode: switching a phone that is already there would
    // only make it drop off the bus.
    if (knownP2kMode(id, config))
        return PhoneMode::P2k;
    if (builtIn(id, kAtModeProducts) || listed(id, config.atModeIds))
        return PhoneMode::At;
    return id.vendor == kPhoneVendor ? PhoneMode::P2k : PhoneMode::None;
}

bool knownP2kMode(UsbId id, const LibraryConfig& config)
{
    return builtIn(id, kP2kModeProducts) || listed(id, config.p2kModeIds);
}

bool hasEndpointlessInterface(const libusb_config_descriptor& config, std::uint8_t number)
{
    for (int i = 0; i < config.bNumInterfaces && config.interface != nullptr; ++i) {
        const auto* setting = firstSetting(config.interface[i]);
        if (setting != nullptr && setting->bInterfaceNumber == number)
            return setting->bNumEndpoints == 0;
    }
    return false;
}

bool namesTestCommand(std::string_view interfaceName)
{
    while (!interfaceName.empty() && (interfaceName.back() == ' ' || interfaceName.back() == '\0'))
        interfaceName.remove_suffix(1);
    return interfaceName.ends_with("Test Command");
}

std::vector<NamedInterface> namedInterfaces(const libusb_config_descriptor& config)
{
    std::vector<NamedInterface> named;
    for (int i = 0; i < config.bNumInterfaces && config.interface != nullptr; ++i) {
        const auto* setting = firstSetting(config.interface[i]);
        if (setting != nullptr && setting->iInterface != 0)
            named.push_back({setting->bInterfaceNumber, setting->iInterface});
    }
    return named;
}

std::optional<BulkPair> findCdcData(const libusb_config_descriptor& config)
{
    for (int i = 0; i < config.bNumInterfaces && config.interface != nullptr; ++i) {
        const auto* setting = firstSetting(config.interface[i]);
        if (setting == nullptr || setting->bInterfaceClass != kClassCdcData)
            continue;
        BulkPair pair{setting->bInterfaceNumber, 0, 0};
        for (int e = 0; e < setting->bNumEndpoints && setting->endpoint != nullptr; ++e) {
            const auto& endpoint = setting->endpoint[e];
            if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                continue;
            std::uint8_t& slot =
                (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0 ? pair.in : pair.out;
            if (slot == 0)
                slot = endpoint.bEndpointAddress;
        }
        if (pair.in != 0 && pair.out != 0)
            return pair;
    }
    return std::nullopt;
}

} // namespace p2kusb::usb
