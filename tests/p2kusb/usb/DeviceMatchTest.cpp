// The transport's decisions that need no bus: which devices are the phone, what the modem said,
// how long a transfer may take. Descriptor walking is covered on the umockdev bus.
#include "DeviceMatch.h"
#include "Libusb.h"
#include "ModeSwitch.h"

#include <gtest/gtest.h>

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
        {{0x22B8, 0x3002}, PhoneMode::At},   // the A835/E1000's modem, as the host tools know it
        {{0x22B8, 0x2E82}, PhoneMode::P2k},  // same vendor, unknown product: its names decide
        {{0x4901, 0x22B8}, PhoneMode::None}, // vendor and product swapped
        {{0x0000, 0x0000}, PhoneMode::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << std::hex << row.id.vendor << ":" << row.id.product);
        EXPECT_EQ(classify(row.id, config), row.expected);
    }
    EXPECT_EQ(classify({0x1234, 0x0001}, LibraryConfig{}), PhoneMode::None);
    EXPECT_TRUE(knownP2kMode({0x22B8, 0x3001}, LibraryConfig{}));
    EXPECT_FALSE(knownP2kMode({0x22B8, 0x2E82}, LibraryConfig{}));
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

TEST(Libusb, EveryTransferHasABound)
{
    using std::chrono::milliseconds;
    // libusb reads 0 as "no timeout at all".
    EXPECT_EQ(boundedTimeout(milliseconds{0}), 1U);
    EXPECT_EQ(boundedTimeout(milliseconds{-5}), 1U);
    EXPECT_EQ(boundedTimeout(milliseconds{1500}), 1500U);
    const unsigned int hour = boundedTimeout(std::chrono::hours{1});
    EXPECT_GE(hour, 1500U);
    EXPECT_LE(hour, 60'000U) << "a silent phone is given up on within a minute";
}

} // namespace
} // namespace p2kusb::usb
