#include "CommandInterface.h"

#include "ConfigDescriptor.h"
#include "DeviceMatch.h"
#include "Libusb.h"

#include <array>
#include <optional>
#include <string_view>

namespace p2kusb::usb {

namespace {

// libusb reads a string descriptor with a bounded timeout of its own. Nothing when it cannot.
std::optional<bool> interfaceIsTestCommand(libusb_device_handle* handle, std::uint8_t nameIndex)
{
    std::array<unsigned char, 256> name{};
    const int length =
        libusb_get_string_descriptor_ascii(handle, nameIndex, name.data(), name.size());
    if (length <= 0)
        return std::nullopt;
    return namesTestCommand(
        std::string_view(reinterpret_cast<const char*>(name.data()), static_cast<size_t>(length)));
}

Claim claimed(std::shared_ptr<OpenDevice> open, std::uint8_t interface, bool byName)
{
    if (!open->claim(interface))
        return {};
    return {ClaimOutcome::Claimed, std::move(open), byName};
}

} // namespace

Claim claimCommandInterface(std::shared_ptr<Context> context, libusb_device* device)
{
    const ConfigDescriptor config = activeConfig(device);
    if (!config)
        return {};
    auto open = OpenDevice::open(std::move(context), device);
    if (!open)
        return {};
    bool anyName = false;
    for (const NamedInterface& interface : namedInterfaces(*config)) {
        const auto isCommand = interfaceIsTestCommand(open->handle(), interface.nameIndex);
        anyName = anyName || isCommand.has_value();
        if (isCommand.value_or(false))
            return claimed(std::move(open), interface.number, true);
    }
    if (anyName)
        return {ClaimOutcome::NotAPhone, nullptr, false};
    if (hasEndpointlessInterface(*config, kFallbackInterface))
        return claimed(std::move(open), kFallbackInterface, false);
    return {};
}

} // namespace p2kusb::usb
