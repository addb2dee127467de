// The active configuration's descriptor, freed with its owner.
#pragma once

#include <libusb.h>
#include <memory>

namespace p2kusb::usb {

struct ConfigDescriptorFree {
    void operator()(libusb_config_descriptor* config) const
    {
        libusb_free_config_descriptor(config);
    }
};
using ConfigDescriptor = std::unique_ptr<libusb_config_descriptor, ConfigDescriptorFree>;

// Null when the device has no readable active configuration.
[[nodiscard]] inline ConfigDescriptor activeConfig(libusb_device* device)
{
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS)
        return nullptr;
    return ConfigDescriptor(config);
}

} // namespace p2kusb::usb
