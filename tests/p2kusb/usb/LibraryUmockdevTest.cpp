// The whole real-phone library as zandrel loads it: its C functions, through libusb and a
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
#include <dlfcn.h>
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
    ::setenv("P2KUSB_LOG", folder.file("packets.log").c_str(), 1);
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

    // The optional File_Fetch is found by name, as zandrel finds it.
    const auto fetch =
        reinterpret_cast<P2K_FileFetchProc>(::dlsym(RTLD_DEFAULT, P2K_FILE_FETCH_NAME));
    ASSERT_NE(fetch, nullptr);
    int local = ::open(folder.file("fetched").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_EQ(fetch("/a/WebSession", local), static_cast<int32_t>(data.size()));
    ::close(local);
    EXPECT_EQ(folder.read("fetched"), data);

    // A restart: the phone comes back in AT mode, still booting (its first write fails), and is
    // switched to P2K mode again.
    EXPECT_EQ(P2K_Restart(), 0);
    ASSERT_EQ(phone.restarts(), 1);
    bus.unplug(device);
    MockDevice booting = atPhone(4);
    booting.failedModemWrites = 1;
    UsbfsBridge modem(booting, nullptr, [](std::string_view) { return "\r\nOK\r\n"; });
    bus.plug(modem);
    ASSERT_TRUE(
        waitFor([&] { return modem.modemReceived().find("AT+MODE=8") != std::string::npos; }));
    bus.unplug(modem);
    UsbfsBridge back(p2kPhone(5), &phone);
    bus.plug(back);
    ASSERT_TRUE(waitFor([] { return P2K_GetStatus() == 1; }));
    EXPECT_EQ(File_Count(), 2);

    bus.unplug(back);
    EXPECT_TRUE(waitFor([] { return P2K_GetStatus() == 0; }));
    EXPECT_LT(File_Count(), 0) << "a call without a phone fails at once";

    // The log tells the story of the bus for a bug report.
    const std::string log = folder.read("packets.log");
    for (const char* event :
         {"plugged in 22b8:4901 at 1-3", "claimed interface 8 of 22b8:4901",
          "plugged in 22b8:4902 at 1-4 (AT mode)", "attempt 1: failed", "attempt 2: sent",
          "unplugged 22b8:4902 at 1-4", "lost the command interface of 22b8:4901 at 1-5"})
        EXPECT_NE(log.find(event), std::string::npos) << event << "\n" << log;
}

} // namespace
} // namespace p2kusb::usb::test
