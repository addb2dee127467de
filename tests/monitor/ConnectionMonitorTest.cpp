#include "FakePhoneLink.h"
#include "monitor/ConnectionMonitor.h"

#include <climits>
#include <gtest/gtest.h>

using namespace zandrel;

namespace {
struct FreeSpaceRow {
    int32_t bytes;
    const char* label;
    const char* expected;
};

class FreeSpaceText : public testing::TestWithParam<FreeSpaceRow> {};

TEST_P(FreeSpaceText, DividesTowardZero)
{
    const auto& row = GetParam();
    EXPECT_EQ(freeSpaceText(row.label, row.bytes), row.expected);
}

INSTANTIATE_TEST_SUITE_P(EdgeValues, FreeSpaceText,
                         testing::Values(FreeSpaceRow{2048, "Free:", "Free: 2 kb"},
                                         FreeSpaceRow{1023, "Free:", "Free: 0 kb"},
                                         FreeSpaceRow{1024, "Free:", "Free: 1 kb"},
                                         FreeSpaceRow{1048575, "Free:", "Free: 1023 kb"},
                                         FreeSpaceRow{-1, "Free:", "Free: 0 kb"},
                                         FreeSpaceRow{-1024, "Free:", "Free: -1 kb"},
                                         FreeSpaceRow{-1025, "Free:", "Free: -1 kb"},
                                         FreeSpaceRow{INT32_MIN, "Free:", "Free: -2097152 kb"},
                                         FreeSpaceRow{INT32_MAX, "Free:", "Free: 2097151 kb"},
                                         FreeSpaceRow{5000, "Free: ", "Free:  4 kb"},
                                         FreeSpaceRow{5000, "", " 4 kb"}));

TEST(ConnectionTick, ConnectedAsksFreeSpaceOnceAndEnablesButtons)
{
    FakePhoneLink phone;
    phone.status = 1;
    phone.freeBytes = 3 * 1024 + 5;
    MessageTexts texts;
    const MonitorView view = ConnectionMonitor(phone, texts).tick();
    EXPECT_EQ(view.statusText, "Status: Connectet");
    EXPECT_EQ(view.freeText, "Free: 3 kb");
    EXPECT_TRUE(view.phoneButtonsEnabled);
    EXPECT_EQ(phone.calls, (std::vector<std::string>{"P2K_GetStatus", "File_VolInfo"}));
}

TEST(ConnectionTick, EveryStatusButOneIsDisconnectedWithoutAskingFreeSpace)
{
    for (const int32_t status : {0, 2, -1, INT32_MIN}) {
        FakePhoneLink phone;
        phone.status = status;
        MessageTexts texts;
        texts.set(MessageText::Disconnected, "offline");
        const MonitorView view = ConnectionMonitor(phone, texts).tick();
        EXPECT_EQ(view.statusText, "offline") << status;
        EXPECT_FALSE(view.freeText.has_value()) << status;
        EXPECT_FALSE(view.phoneButtonsEnabled) << status;
        EXPECT_EQ(phone.calls, std::vector<std::string>{"P2K_GetStatus"}) << status;
    }
}

TEST(ConnectionTick, HandsTheLibraryTheSameVariableEveryTick)
{
    FakePhoneLink phone;
    MessageTexts texts;
    ConnectionMonitor monitor(phone, texts);
    monitor.tick();
    monitor.tick();
    ASSERT_EQ(phone.volInfoAddresses.size(), 2u);
    EXPECT_NE(phone.volInfoAddresses[0], nullptr);
    EXPECT_EQ(phone.volInfoAddresses[0], phone.volInfoAddresses[1]);
}
} // namespace
