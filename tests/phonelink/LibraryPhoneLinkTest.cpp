// LibraryPhoneLink over our emulator's libp2kapi.so: what reaches the library, in which order.
#include "phonelink/LibraryPhoneLink.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace zandrel;

namespace {
class LibraryPhoneLinkTest : public testing::Test {
protected:
    TempDir dir;
    LibraryPhoneLink link;

    void SetUp() override
    {
        dir.write("phone/fs/a/mobile/audio/ring.mp3", "ring");
        dir.write("phone/fs/a/x", "12345");
        dir.write("phone/phone.ini", "[Phone]\nconnected=1\ncapacity=1000000\n");
        ::setenv("P2KEMU_ROOT", dir.file("phone").c_str(), 1);
        ASSERT_EQ(link.init(), 0);
    }
    void TearDown() override { ::unsetenv("P2KEMU_ROOT"); }

    bool onPhone(const std::string& path) const { return dir.exists("phone/fs" + path); }
    bool journalHas(const std::string& line) const
    {
        return dir.read("phone/journal.log").find(line) != std::string::npos;
    }
};

TEST_F(LibraryPhoneLinkTest, ListAndFreeSpaceComeThrough)
{
    EXPECT_EQ(link.getStatus(), PhoneLink::kStatusConnected);
    ASSERT_EQ(link.fileCount(), 2);
    std::vector<unsigned char> records(2 * kFileRecordSize);
    EXPECT_EQ(link.fileList(records.data(), 2), 2);
    const auto pathAt = [&](std::size_t i) {
        return std::string(reinterpret_cast<const char*>(records.data()) + i * kFileRecordSize +
                           kRecordNameOffset);
    };
    EXPECT_EQ(pathAt(0), "/a/mobile/audio/ring.mp3");
    EXPECT_EQ(pathAt(1), "/a/x");
    int32_t info = 0;
    EXPECT_EQ(link.volInfo(&info), 1000000 - 9);

    // A restarting phone is away for a while.
    EXPECT_EQ(link.restart(), 0);
    EXPECT_NE(link.getStatus(), PhoneLink::kStatusConnected);
}

TEST_F(LibraryPhoneLinkTest, UploadCallsArriveInTheirArgumentOrder)
{
    const std::string data = "new file";
    EXPECT_EQ(link.fileCreate("/a/new", 4), 0);
    const auto size = static_cast<int32_t>(data.size());
    EXPECT_EQ(link.fileWrite(data.c_str(), size, size - 1), size);
    EXPECT_EQ(link.fileClose(), 0);
    EXPECT_EQ(dir.read("phone/fs/a/new"), data);
    EXPECT_TRUE(journalHas("File_Create(\"/a/new\", 4) -> 0"));

    EXPECT_EQ(link.fileDelete("/a/x"), 0);
    EXPECT_FALSE(onPhone("/a/x"));
}

TEST_F(LibraryPhoneLinkTest, SeemWriteGetsTheSeemTheRecordAndTheFileVariable)
{
    dir.write("record.seem", "seem bytes");
    int fd = ::open(dir.file("record.seem").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(link.seemWrite(0x4C, 1, 0, 0, &fd), 0);
    ::close(fd);
    EXPECT_EQ(dir.read("phone/seem/004c_0001.seem"), "seem bytes");
}

TEST_F(LibraryPhoneLinkTest, EmptyPathIsANullPointerAndAPathWithNulNeverGoes)
{
    EXPECT_LT(link.fileDelete(""), 0);
    EXPECT_LT(link.fileCreate("", 4), 0);
    EXPECT_TRUE(journalHas("File_Delete(NULL)"));
    EXPECT_TRUE(journalHas("File_Create(NULL, 4)"));

    // Cut at its NUL the path would name ring.mp3.
    const std::string withNul("/a/mobile/audio/ring.mp3\0.keep", 30);
    EXPECT_EQ(link.fileDelete(withNul), PhoneLink::kPathRefused);
    EXPECT_EQ(link.fileCreate(withNul, 4), PhoneLink::kPathRefused);
    EXPECT_TRUE(onPhone("/a/mobile/audio/ring.mp3"));
    EXPECT_FALSE(journalHas("ring.mp3\""));
}

TEST_F(LibraryPhoneLinkTest, OurEmulatorSaysItIsTheEmulator)
{
    EXPECT_EQ(link.phoneKind(), PhoneLink::kEmulatorKind);
}

TEST(PhoneKindTest, OnlyAShortLowercaseWordIsTakenAsItStands)
{
    const struct {
        const char* reported;
        const char* kind;
    } rows[] = {
        {"emulator", "emulator"}, {"sim-2", "sim-2"},
        {nullptr, "usb"},         {"", "usb"},
        {"Emulator", "usb"},      {"emu\tlator", "usb"},
        {"emu/../x", "usb"},      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "usb"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(PhoneLink::kindFromLibrary(row.reported), row.kind)
            << (row.reported ? row.reported : "(null)");
}
} // namespace
