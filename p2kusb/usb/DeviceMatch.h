// Which USB devices are our phone, and where on them to talk: pure decisions over ids and
// descriptors, so they can be checked without a bus.
#pragma once

#include "../PhonePort.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

struct libusb_config_descriptor;

namespace p2kusb::usb {

enum class PhoneMode { None, At, P2k };

// The E398 family: a modem in AT mode, the command interface in P2K mode. Other models come in
// through the config file's extra pairs.
inline constexpr UsbId kAtModeId{0x22B8, 0x4902};
inline constexpr UsbId kP2kModeId{0x22B8, 0x4901};

[[nodiscard]] PhoneMode classify(UsbId id, const LibraryConfig& config);

// Phones name the interface e.g. "Motorola Test Command"; trailing blanks and NULs are ignored.
[[nodiscard]] bool namesTestCommand(std::string_view interfaceName);

struct NamedInterface {
    std::uint8_t number = 0;    // bInterfaceNumber: the wIndex of every command transfer
    std::uint8_t nameIndex = 0; // iInterface, 0 when the interface has no name
};

// First alternate setting of each interface that has a name, in descriptor order.
[[nodiscard]] std::vector<NamedInterface> namedInterfaces(const libusb_config_descriptor& config);

struct BulkPair {
    std::uint8_t interface = 0;
    std::uint8_t in = 0; // endpoint addresses, the IN one with bit 7 set
    std::uint8_t out = 0;
};

// The modem's CDC data interface (class 0x0A) with one bulk endpoint each way.
[[nodiscard]] std::optional<BulkPair> findCdcData(const libusb_config_descriptor& config);

} // namespace p2kusb::usb
