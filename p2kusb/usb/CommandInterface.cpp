#include "CommandInterface.h"

#include "ConfigDescriptor.h"
#include "DeviceMatch.h"
#include "Libusb.h"

#include <array>
#include <string_view>

namespace p2kusb::usb {

namespace {

// libusb reads a string descriptor with a bounded timeout of its own.
bool interfaceIsTestCommand(libusb_device_handle* handle, std::uint8_t nameIndex)
{
    std::array<unsigned char, 256> name{};
    const int length =
        libusb_get_string_descriptor_ascii(handle, nameIndex, name.data(), name.size());
    if (length <= 0)
        return false;
    return namesTestCommand(
        std::string_view(reinterpret_cast<const char*>(name.data()), static_cast<size_t>(length)));
}

} // namespace

std::shared_ptr<OpenDevice> claimCommandInterface(std::shared_ptr<Context> context,
                                                  libusb_device* device)
{
    const ConfigDescriptor config = activeConfig(device);
    if (!config)
        return nullptr;
    const auto named = namedInterfaces(*config);
    if (named.empty())
        return nullptr;
    auto open = OpenDevice::open(std::move(context), device);
    if (!open)
        return nullptr;
    for (const NamedInterface& interface : named) {
        if (interfaceIsTestCommand(open->handle(), interface.nameIndex))
            return open->claim(interface.number) ? open : nullptr;
    }
    return nullptr;
}

} // namespace p2kusb::usb
