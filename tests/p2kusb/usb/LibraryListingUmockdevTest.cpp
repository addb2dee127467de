// A real phone's listings through the whole shared library, libusb and a umockdev bus: a phone
// that lists more files than its search announced, and a memory card put in while it is plugged.
#include "MockUsbBus.h"
#include "SimPhone.h"
#include "TempDir.h"
#include "UsbfsBridge.h"
#include "phonelink/p2kapi.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstring>
#include <filesystem>
#include <set>

namespace p2kusb::usb::test {
namespace {

// File_Count, then File_List of that many records: the paths, each as often as listed.
std::multiset<std::string> listed()
{
    const int32_t count = File_Count();
    EXPECT_GE(count, 0);
    std::vector<unsigned char> records(std::size_t(std::max(count, 0)) * P2K_RECORD_SIZE);
    EXPECT_EQ(File_List(records.data(), count), count);
    std::multiset<std::string> paths;
    for (int32_t i = 0; i < count; ++i) {
        const char* path =
            reinterpret_cast<const char*>(records.data() + i * P2K_RECORD_SIZE + 8);
        paths.insert(std::string(path, strnlen(path, P2K_RECORD_PATH_MAX)));
    }
    return paths;
}

TEST(LibraryListingOnMockBus, ListsPastAShortCountAndACardPutInWhilePluggedIn)
{
    MockUsbBus bus;
    if (!umockdev_in_mock_environment())
        GTEST_SKIP() << "not under umockdev-wrapper: run this test through ctest";
    TempDir folder;
    ::setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
    std::multiset<std::string> files;
    for (const char* path : {"/a/1.mp3", "/a/2.mp3", "/a/m/3.jpg", "/a/m/4.jpg"}) {
        folder.write(std::string("phone/fs") + path, "x");
        files.insert(path);
    }
    SimPhone phone(folder.file("phone"));
    UsbfsBridge device(p2kPhone(3), &phone);
    bus.plug(device);
    ASSERT_EQ(P2K_Init(nullptr), 0);
    ASSERT_TRUE(waitFor([] { return P2K_GetStatus() == 1; }));

    struct Row {
        const char* what;
        SimFaults faults;
    };
    const Row rows[] = {
        {"4 announced as 3", {.announceShortBy = 1}},
        {"4 announced as 2", {.announceShortBy = 2}},
        {"4 announced as none, the first two sent again", {.announceShortBy = 4, .repeatRecords = 2}},
    };
    for (const Row& row : rows) {
        phone.setFaults(row.faults);
        EXPECT_EQ(listed(), files) << row.what;
    }

    // The card goes in while the phone stays plugged in.
    folder.write("phone/fs/b/card/song.mp3", "12");
    files.insert("/b/card/song.mp3");
    EXPECT_EQ(listed(), files);
    bus.unplug(device);
    EXPECT_TRUE(waitFor([] { return P2K_GetStatus() == 0; }));
}

} // namespace
} // namespace p2kusb::usb::test
