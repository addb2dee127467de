// The whole real-phone library as zandrel loads it: its eleven C functions, through libusb and a
// umockdev bus, to the simulated phone answering from a phone folder.
#include "MockUsbBus.h"
#include "SimPhone.h"
#include "TempDir.h"
#include "UsbfsBridge.h"
#include "phonelink/p2kapi.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace p2kusb::usb::test {
namespace {

std::string recordPath(const unsigned char* record)
{
    const char* path = reinterpret_cast<const char*>(record + P2K_RECORD_PATH_OFFSET);
    return std::string(path, strnlen(path, P2K_RECORD_PATH_MAX));
}

TEST(LibraryOnMockBus, ListsDeletesUploadsAndWritesASeemRecord)
{
    MockUsbBus bus;
    if (!umockdev_in_mock_environment())
        GTEST_SKIP() << "not under umockdev-wrapper: run this test through ctest";
    TempDir folder;
    ::setenv("XDG_DATA_HOME", folder.file("data").c_str(), 1);
    folder.write("phone/fs/a/mobile/audio/ring.mp3", "ring");
    folder.write("phone/fs/a/mobile/picture/\xCF\xF0\xE8\xE2\xE5\xF2.jpg", "jpeg");
    folder.write("phone/seem/004c_0001.seem", "old!");
    folder.write("seem.local", "new!");
    SimPhone phone(folder.file("phone"));
    UsbfsBridge device(p2kPhone(3), &phone);
    bus.plug(device);

    ASSERT_EQ(P2K_Init(nullptr), 0);
    ASSERT_TRUE(waitFor([] { return P2K_GetStatus() == 1; }));

    ASSERT_EQ(File_Count(), 2);
    std::vector<unsigned char> records(2 * P2K_RECORD_SIZE);
    ASSERT_EQ(File_List(records.data(), 2), 2);
    EXPECT_EQ(recordPath(records.data()), "/a/mobile/audio/ring.mp3");
    EXPECT_EQ(recordPath(records.data() + P2K_RECORD_SIZE),
              "/a/mobile/picture/\xCF\xF0\xE8\xE2\xE5\xF2.jpg");

    int32_t info = 0;
    EXPECT_GT(File_VolInfo(&info), 0);
    EXPECT_EQ(File_Delete("/a/mobile/audio/ring.mp3"), 0);
    EXPECT_FALSE(folder.exists("phone/fs/a/mobile/audio/ring.mp3"));

    const std::string data = "uploaded";
    ASSERT_EQ(File_Create("/a/WebSession", 4), 0);
    EXPECT_GE(File_Write(data.c_str(), static_cast<int32_t>(data.size()), 7), 0);
    EXPECT_EQ(File_Close(), 0);
    EXPECT_EQ(folder.read("phone/fs/a/WebSession"), data);

    int fd = ::open(folder.file("seem.local").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, &fd), 0);
    ::close(fd);
    EXPECT_EQ(folder.read("phone/seem/004c_0001.seem"), "new!");
    const auto backups = folder.file("data/zandrel/seem-backup");
    ASSERT_TRUE(std::filesystem::is_directory(backups));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(backups), {}), 1);

    bus.unplug(device);
    EXPECT_TRUE(waitFor([] { return P2K_GetStatus() == 0; }));
    EXPECT_LT(File_Count(), 0) << "a call without a phone fails at once";
}

} // namespace
} // namespace p2kusb::usb::test
