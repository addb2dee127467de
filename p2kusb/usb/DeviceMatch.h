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

// None: not ours. At: a modem to switch to P2K mode. P2k: a device to look at for the command
// interface, which is used when its name says so.
enum class PhoneMode { None, At, P2k };

inline constexpr std::uint16_t kPhoneVendor = 0x22B8;
// Product ids of phones in AT mode that the public host tools switch (README lists the models),
// and of the same phones in P2K mode. Other pairs come in through the config file.
inline constexpr std::uint16_t kAtModeProducts[] = {0x4902, 0x3002, 0x1C02, 0x5802, 0x1005,
                                                    0x3802, 0x0005, 0x2822, 0x2D34, 0x640B};
inline constexpr std::uint16_t kP2kModeProducts[] = {0x4901, 0x3001, 0x1C01, 0x5801, 0x1001,
                                                     0x6009, 0x0001, 0x2821, 0x2D31};
// Where the command interface sits on the older phones, for one whose names cannot be read.
inline constexpr std::uint8_t kFallbackInterface = 8;

// Every device of the phones' vendor is looked at; an AT-mode pair is switched rather than
// looked at; a pair from the config file may have any vendor.
[[nodiscard]] PhoneMode classify(UsbId id, const LibraryConfig& config);
// A pair known to be a phone in P2K mode.
[[nodiscard]] bool knownP2kMode(UsbId id, const LibraryConfig& config);

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

// Interface `number` as the command interface of the older phones looks: no endpoints, since
// everything goes over endpoint 0.
[[nodiscard]] bool hasEndpointlessInterface(const libusb_config_descriptor& config,
                                            std::uint8_t number);

// The modem's CDC data interface (class 0x0A) with one bulk endpoint each way.
[[nodiscard]] std::optional<BulkPair> findCdcData(const libusb_config_descriptor& config);

} // namespace p2kusb::usb
