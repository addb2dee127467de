// Which devices are taken for the phone, and which of their interfaces get used.
#include "DeviceMatch.h"
#include "ModeSwitch.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <vector>

namespace p2kusb::usb {
namespace {

TEST(DeviceMatch, ClassifiesBuiltInAndConfiguredPairs)
{
    LibraryConfig config;
    config.atModeIds = {{0x22B8, 0x3802}};
    config.p2kModeIds = {{0x22B8, 0x3801}, {0x1234, 0x0001}, {0x22B8, 0x3802}};
    struct Row {
        UsbId id;
        PhoneMode expected;
    };
    const Row rows[] = {
        {{0x22B8, 0x4902}, PhoneMode::At},   // the E398 family's modem
        {{0x22B8, 0x4901}, PhoneMode::P2k},  // ... and its P2K mode
        {{0x22B8, 0x3801}, PhoneMode::P2k},  // a pair from the config file
        {{0x1234, 0x0001}, PhoneMode::P2k},  // config pairs may name another vendor
        {{0x22B8, 0x3802}, PhoneMode::P2k},  // listed both ways: never switched
        {{0x22B8, 0x2E82}, PhoneMode::None}, // same vendor, unknown product
        {{0x4901, 0x22B8}, PhoneMode::None}, // vendor and product swapped
        {{0x0000, 0x0000}, PhoneMode::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.id.vendor << ":" << row.id.product);
        EXPECT_EQ(classify(row.id, config), row.expected);
    }
    EXPECT_EQ(classify({0x22B8, 0x3801}, LibraryConfig{}), PhoneMode::None);
}

TEST(DeviceMatch, RecognisesTheCommandInterfaceByTheEndOfItsName)
{
    struct Row {
        std::string_view name;
        bool expected;
    };
    const Row rows[] = {
        {"Motorola Test Command", true},
        {"Test Command", true},
        {"Motorola Test Command  ", true},
        {std::string_view("Test Command\0\0", 14), true},
        {"Test Command Interface", false},
        {"test command", false},
        {"Motorola Data Interface", false},
        {"Command", false},
        {"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name));
        EXPECT_EQ(namesTestCommand(row.name), row.expected);
    }
}

// A configuration built like a P2K-mode phone's: a CDC pair, an unnamed interface and the
// command interface numbered 8 at position 3.
class Descriptors : public ::testing::Test {
protected:
    libusb_interface_descriptor setting(std::uint8_t number, std::uint8_t cls, std::uint8_t name,
                                        std::vector<libusb_endpoint_descriptor>* endpoints)
    {
        libusb_interface_descriptor s{};
        s.bInterfaceNumber = number;
        s.bInterfaceClass = cls;
        s.iInterface = name;
        if (endpoints != nullptr) {
            s.bNumEndpoints = static_cast<std::uint8_t>(endpoints->size());
            s.endpoint = endpoints->data();
        }
        return s;
    }
    static libusb_endpoint_descriptor endpoint(std::uint8_t address, std::uint8_t type)
    {
        libusb_endpoint_descriptor e{};
        e.bEndpointAddress = address;
        e.bmAttributes = type;
        return e;
    }
    void build()
    {
        interfaces.clear();
        for (auto& s : settings)
            interfaces.push_back({&s, 1});
        config.bNumInterfaces = static_cast<std::uint8_t>(interfaces.size());
        config.interface = interfaces.data();
    }

    std::vector<libusb_endpoint_descriptor> notify{endpoint(0x83, LIBUSB_TRANSFER_TYPE_INTERRUPT)};
    std::vector<libusb_endpoint_descriptor> bulk{endpoint(0x82, LIBUSB_TRANSFER_TYPE_BULK),
                                                 endpoint(0x01, LIBUSB_TRANSFER_TYPE_BULK)};
    std::vector<libusb_interface_descriptor> settings;
    std::vector<libusb_interface> interfaces;
    libusb_config_descriptor config{};
};

TEST_F(Descriptors, NamedInterfacesKeepTheirOwnNumbers)
{
    settings = {setting(0, 0x02, 4, &notify), setting(1, 0x0A, 0, &bulk),
                setting(8, 0xFF, 7, nullptr)};
    build();
    const auto named = namedInterfaces(config);
    ASSERT_EQ(named.size(), 2U);
    EXPECT_EQ(named[0].number, 0);
    EXPECT_EQ(named[0].nameIndex, 4);
    EXPECT_EQ(named[1].number, 8); // wIndex is the number, not the position
    EXPECT_EQ(named[1].nameIndex, 7);
}

TEST_F(Descriptors, FindsTheModemDataEndpoints)
{
    settings = {setting(0, 0x02, 4, &notify), setting(1, 0x0A, 0, &bulk)};
    build();
    const auto pair = findCdcData(config);
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->interface, 1);
    EXPECT_EQ(pair->in, 0x82);
    EXPECT_EQ(pair->out, 0x01);
}

TEST_F(Descriptors, NoModemWithoutBulkEndpointsBothWays)
{
    std::vector<libusb_endpoint_descriptor> inOnly{endpoint(0x82, LIBUSB_TRANSFER_TYPE_BULK),
                                                   endpoint(0x03, LIBUSB_TRANSFER_TYPE_INTERRUPT)};
    settings = {setting(0, 0x02, 4, &bulk), // bulk pair, but not a CDC data interface
                setting(1, 0x0A, 0, &inOnly), setting(2, 0x0A, 0, nullptr)};
    build();
    EXPECT_FALSE(findCdcData(config).has_value());
    settings.clear();
    build();
    EXPECT_FALSE(findCdcData(config).has_value());
    EXPECT_TRUE(namedInterfaces(config).empty());
}

TEST(ModeSwitch, ReadsTheModemsFinalLine)
{
    struct Row {
        std::string_view received;
        ModemAnswer expected;
    };
    const Row rows[] = {
        {"", ModemAnswer::Pending},
        {"AT E0\r", ModemAnswer::Pending}, // only the echo so far
        {"AT E0\r\r\nOK\r\n", ModemAnswer::Ok},
        {"\r\nOK", ModemAnswer::Ok},
        {"\r\nERROR\r\n", ModemAnswer::Error},
        {"\r\n+CME ERROR: 3\r\n", ModemAnswer::Error},
        {"\r\nOKAY\r\n", ModemAnswer::Pending},
        {"\r\nERROR\r\n\r\nOK\r\n", ModemAnswer::Ok}, // the last final line counts
        {"AT+MODE=8\r\r\nO", ModemAnswer::Pending},   // the rest is still on its way
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.received));
        EXPECT_EQ(modemAnswer(row.received), row.expected);
    }
}

} // namespace
} // namespace p2kusb::usb
