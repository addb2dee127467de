#include "MockUsbDevice.h"

#include <cstdio>
#include <libusb.h>

namespace p2kusb::usb::test {

namespace {

void put16(Bytes& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Interfaces with a name get string indices 1, 2, ... in order.
std::uint8_t nameIndex(const MockDevice& device, std::size_t interface)
{
    if (device.interfaces[interface].name.empty())
        return 0;
    std::uint8_t index = 0;
    for (std::size_t i = 0; i <= interface; ++i)
        index += device.interfaces[i].name.empty() ? 0 : 1;
    return index;
}

std::string hex(const Bytes& bytes)
{
    std::string text;
    char digits[3];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", byte);
        text += digits;
    }
    return text;
}

} // namespace

MockDevice p2kPhone(std::uint8_t devnum)
{
    return {
        {0x22B8, 0x4901},
        devnum,
        {{0,
          0x02,
          "Motorola Communication Interface",
          {{0x83, LIBUSB_TRANSFER_TYPE_INTERRUPT}},
          ""},
         {1, 0x0A, "", {{0x82, LIBUSB_TRANSFER_TYPE_BULK}, {0x01, LIBUSB_TRANSFER_TYPE_BULK}}, ""},
         {8, 0xFF, "Motorola Test Command", {}, ""}}};
}

MockDevice atPhone(std::uint8_t devnum)
{
    return {{0x22B8, 0x4902},
            devnum,
            {{0,
              0x02,
              "Motorola Communication Interface",
              {{0x83, LIBUSB_TRANSFER_TYPE_INTERRUPT}},
              "cdc_acm"},
             {1,
              0x0A,
              "Motorola Data Interface",
              {{0x82, LIBUSB_TRANSFER_TYPE_BULK}, {0x01, LIBUSB_TRANSFER_TYPE_BULK}},
              "cdc_acm"}}};
}

Bytes descriptorsOf(const MockDevice& device)
{
    Bytes out{18, LIBUSB_DT_DEVICE};
    put16(out, 0x0200);
    out.insert(out.end(), {0, 0, 0, 64});
    put16(out, device.id.vendor);
    put16(out, device.id.product);
    put16(out, 0x0001);
    out.insert(out.end(), {0, 0, 0, 1});

    Bytes config;
    for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
        const MockInterface& interface = device.interfaces[i];
        config.insert(config.end(), {9, LIBUSB_DT_INTERFACE, interface.number, 0,
                                     static_cast<std::uint8_t>(interface.endpoints.size()),
                                     interface.interfaceClass, 0, 0, nameIndex(device, i)});
        for (const MockEndpoint& endpoint : interface.endpoints) {
            config.insert(config.end(), {7, LIBUSB_DT_ENDPOINT, endpoint.address, endpoint.type});
            put16(config, 64);
            config.push_back(endpoint.type == LIBUSB_TRANSFER_TYPE_INTERRUPT ? 10 : 0);
        }
    }
    out.insert(out.end(), {9, LIBUSB_DT_CONFIG});
    put16(out, static_cast<std::uint16_t>(9 + config.size()));
    out.insert(out.end(), {static_cast<std::uint8_t>(device.interfaces.size()), 1, 0, 0xC0, 50});
    out.insert(out.end(), config.begin(), config.end());
    return out;
}

Bytes stringDescriptor(const MockDevice& device, std::uint8_t index)
{
    if (index == 0)
        return {4, LIBUSB_DT_STRING, 0x09, 0x04}; // US English only
    for (std::size_t i = 0; i < device.interfaces.size(); ++i) {
        if (nameIndex(device, i) != index)
            continue;
        const std::string& name = device.interfaces[i].name;
        Bytes out{static_cast<std::uint8_t>(2 + 2 * name.size()), LIBUSB_DT_STRING};
        for (const char c : name)
            put16(out, static_cast<std::uint8_t>(c));
        return out;
    }
    return {};
}

std::string devicePath(const MockDevice& device)
{
    char path[32];
    std::snprintf(path, sizeof path, "/dev/bus/usb/001/%03u", unsigned{device.devnum});
    return path;
}

std::string sysfsPath(const MockDevice& device)
{
    return "/sys/devices/usb1/1-" + std::to_string(device.devnum);
}

std::string umockdevRecord(const MockDevice& device)
{
    const std::string devnum = std::to_string(device.devnum);
    const std::string node = devicePath(device).substr(5); // without "/dev/"
    return "P: " + sysfsPath(device).substr(4) + "\n" + "N: " + node + "\n" +
           "E: SUBSYSTEM=usb\nE: DRIVER=usb\nE: DEVTYPE=usb_device\nE: BUSNUM=001\n" +
           "E: DEVNUM=" + node.substr(node.size() - 3) + "\n" + "E: DEVNAME=/dev/" + node + "\n" +
           "A: busnum=1\\n\nA: devnum=" + devnum + "\\n\nA: bConfigurationValue=1\\n\n" +
           "A: speed=12\\n\nH: descriptors=" + hex(descriptorsOf(device)) + "\n";
}

} // namespace p2kusb::usb::test
