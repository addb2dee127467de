#include "EmulatorFixture.h"
#include "EmulatorResults.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

// What the program hands File_Write: the bytes, then one zero byte.
std::string withZero(const std::string& bytes) { return bytes + '\0'; }

int32_t writeBytes(const std::string& bytes)
{
    std::string buffer = withZero(bytes);
    auto size = static_cast<int32_t>(bytes.size());
    return File_Write(buffer.data(), size, size - 1);
}

std::vector<std::string> folderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(EmulatorTest, DeleteRemovesOnlyThatFile)
{
    startPhone({{"/a/mobile/audio/x.mp3", "x"}, {"/a/mobile/audio/y.mp3", "y"}});
    EXPECT_EQ(File_Delete("/a/mobile/audio/x.mp3"), kOk);
    EXPECT_FALSE(onPhone("/a/mobile/audio/x.mp3"));
    EXPECT_TRUE(onPhone("/a/mobile/audio/y.mp3"));
    EXPECT_EQ(listPaths(), std::vector<std::string>{"/a/mobile/audio/y.mp3"});

    EXPECT_EQ(File_Delete("/a/mobile/audio/x.mp3"), kNotFound);
    EXPECT_EQ(File_Delete("/a/missing/x.mp3"), kNotFound);
    EXPECT_EQ(File_Delete("/a/mobile/audio/y.mp3/z"), kBadPath);
    EXPECT_EQ(File_Delete("/a/mobile"), kBadPath) << "a folder is no phone file";
    EXPECT_TRUE(fs::is_directory(root + "/fs/a/mobile"));
}

TEST_F(EmulatorTest, RefusesPathsThatCouldLeaveThePhone)
{
    startPhone({{"/a/b.txt", "b"}, {"/b.txt", "top"}, {"/a/.p2kemu-x", "t"}});
    dir.write("phone/outside.txt", "beside fs/");
    const std::string longName = "/a/" + std::string(256, 'n');
    const std::string longPath =
        "/a/" + std::string(200, 'n') + "/" + std::string(200, 'n') + "/" + std::string(100, 'n');
    struct Row {
        const char* path;
        const char* why;
    };
    const Row rows[] = {
        {nullptr, "empty path"},
        {"", "empty path"},
        {"a/b.txt", "not an absolute path"},
        {"/a/../b.txt", "\"..\" name"},
        {"/a/../../outside.txt", "\"..\" name"},
        {"/../outside.txt", "\"..\" name"},
        {"/a/./b.txt", "\".\" name"},
        {"/a//b.txt", "empty name"},
        {"/a/", "empty name"},
        {"/", "empty name"},
        {"/a/b\x01.txt", "control byte 0x01"},
        {"/a/b\x7F.txt", "control byte 0x7F"},
        {longName.c_str(), "name longer than 255 bytes"},
        {longPath.c_str(), "longer than 504 bytes"},
        {"/a/.p2kemu-x", "reserved"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(File_Delete(row.path), kBadPath) << (row.path ? row.path : "NULL");
        EXPECT_EQ(File_Create(row.path, 4), kBadPath) << (row.path ? row.path : "NULL");
        EXPECT_NE(journal().find(row.why), std::string::npos) << row.why;
    }
    EXPECT_EQ(writeBytes("x"), kOutOfOrder) << "no refused create left a file open";
    EXPECT_TRUE(onPhone("/a/b.txt"));
    EXPECT_TRUE(onPhone("/b.txt"));
    EXPECT_TRUE(dir.exists("phone/outside.txt"));
    EXPECT_NE(journal().find("File_Delete(NULL) -> -3 bad path: empty path"), std::string::npos);
    EXPECT_NE(journal().find("File_Delete(\"/a/b\\x01.txt\") -> -3 bad path"), std::string::npos);
}

TEST_F(EmulatorTest, NeverFollowsALinkOutOfThePhone)
{
    startPhone({{"/a/b.txt", "b"}});
    dir.write("outside/victim.txt", "keep me");
    fs::create_symlink(dir.file("outside"), root + "/fs/link");
    fs::create_symlink(dir.file("outside/victim.txt"), root + "/fs/a/victim.txt");

    EXPECT_EQ(File_Delete("/link/victim.txt"), kBadPath);
    EXPECT_EQ(File_Delete("/a/victim.txt"), kBadPath);
    EXPECT_EQ(File_Create("/link/new.txt", 4), kBadPath);
    EXPECT_EQ(File_Create("/link/deeper/new.txt", 4), kBadPath);
    EXPECT_EQ(File_Create("/a/victim.txt", 4), kBadPath);

    // A link put in place while a file is open is noticed when the file is written.
    ASSERT_EQ(File_Create("/later/new.txt", 4), kOk);
    fs::create_symlink(dir.file("outside"), root + "/fs/later");
    ASSERT_EQ(writeBytes("data"), 4);
    EXPECT_EQ(File_Close(), kBadPath);

    EXPECT_EQ(folderNames(dir.file("outside")), std::vector<std::string>{"victim.txt"});
    EXPECT_EQ(dir.read("outside/victim.txt"), "keep me");
    EXPECT_TRUE(fs::is_symlink(root + "/fs/a/victim.txt"));
}

TEST_F(EmulatorTest, UploadReplacesTheFileOnlyAtClose)
{
    startPhone({{"/a/mobile/system/mma_ucp", "old"}});
    ASSERT_EQ(File_Create("/a/mobile/system/mma_ucp", 4), kOk);
    ASSERT_EQ(writeBytes("new data"), 8);
    EXPECT_EQ(phoneFile("/a/mobile/system/mma_ucp"), "old");
    EXPECT_EQ(listPaths(), std::vector<std::string>{"/a/mobile/system/mma_ucp"});
    ASSERT_EQ(writeBytes("++"), 2);
    ASSERT_EQ(File_Close(), kOk);
    EXPECT_EQ(phoneFile("/a/mobile/system/mma_ucp"), "new data++");
    EXPECT_EQ(folderNames(root + "/fs/a/mobile/system"), std::vector<std::string>{"mma_ucp"})
        << "no temporary file is left behind";
}

TEST_F(EmulatorTest, UploadMakesMissingFoldersAndTakesEmptyFiles)
{
    startPhone({});
    ASSERT_EQ(File_Create("/a/new/deep/WebSession", 4), kOk);
    EXPECT_FALSE(fs::exists(root + "/fs/a/new")) << "nothing reaches the phone before File_Close";
    const std::string upload("zero \0 and \xC7 bytes", 18);
    ASSERT_EQ(writeBytes(upload), 18);
    ASSERT_EQ(File_Close(), kOk);
    EXPECT_EQ(phoneFile("/a/new/deep/WebSession"), upload);

    ASSERT_EQ(File_Create("/a/empty", 4), kOk);
    char zero = 0;
    ASSERT_EQ(File_Write(&zero, 0, -1), 0);
    ASSERT_EQ(File_Close(), kOk);
    EXPECT_TRUE(onPhone("/a/empty"));
    EXPECT_EQ(phoneFile("/a/empty"), "");
}

TEST_F(EmulatorTest, FileCallsOutOfOrderAreRefused)
{
    startPhone({{"/a/file", "f"}});
    char data[] = "abc";
    EXPECT_EQ(File_Write(data, 3, 2), kOutOfOrder);
    EXPECT_EQ(File_Close(), kOutOfOrder);

    ASSERT_EQ(File_Create("/a/first", 4), kOk);
    EXPECT_EQ(File_Create("/a/second", 4), kOutOfOrder);
    EXPECT_EQ(File_Write(data, -1, 0), kBadArgument);
    EXPECT_EQ(File_Write(nullptr, 3, 2), kBadArgument);
    EXPECT_EQ(File_Write(nullptr, 0, -1), 0);
    EXPECT_EQ(File_Write(data, 3, 2), 3);
    EXPECT_EQ(File_Close(), kOk);
    EXPECT_EQ(File_Close(), kOutOfOrder);
    EXPECT_EQ(phoneFile("/a/first"), "abc");
    EXPECT_FALSE(onPhone("/a/second"));

    EXPECT_EQ(File_Create("/a", 4), kBadPath) << "a folder stands there";
    EXPECT_EQ(File_Create("/a/file/below", 4), kBadPath)
        << "a file stands where a folder is needed";
    EXPECT_EQ(File_Close(), kOutOfOrder);
}

TEST_F(EmulatorTest, UploadThatDoesNotFitFails)
{
    startPhone({{"/a/old", std::string(60, 'o')}, {"/a/other", std::string(30, 'x')}},
               "[Phone]\ncapacity=100\n");
    ASSERT_EQ(File_Create("/a/new", 4), kOk);
    EXPECT_EQ(writeBytes(std::string(11, 'n')), kPhoneFull);
    EXPECT_EQ(writeBytes(std::string(10, 'n')), 10);
    EXPECT_EQ(writeBytes("n"), kPhoneFull);
    ASSERT_EQ(File_Close(), kOk);

    // The file being replaced makes room for its successor.
    ASSERT_EQ(File_Create("/a/old", 4), kOk);
    EXPECT_EQ(writeBytes(std::string(60, 'r')), 60);
    ASSERT_EQ(File_Close(), kOk);
    EXPECT_EQ(phoneFile("/a/old"), std::string(60, 'r'));
}

TEST_F(EmulatorTest, SeemWriteStoresTheRestOfTheHandedFile)
{
    startPhone({});
    dir.write("local.seem", "0123456789");
    // The program's file variable: the descriptor in its first 4 bytes, more state after it.
    struct {
        int fd;
        char rest[300];
    } file{};
    file.fd = ::open(dir.file("local.seem").c_str(), O_RDONLY);
    ASSERT_GE(file.fd, 0);
    ASSERT_EQ(::lseek(file.fd, 3, SEEK_SET), 3);
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, &file), kOk);
    EXPECT_EQ(dir.read("phone/seem/004c_0001.seem"), "3456789");

    ASSERT_EQ(::lseek(file.fd, 0, SEEK_SET), 0);
    EXPECT_EQ(Seem_Write(0x1AB, 0x20, 0, 0, &file), kOk);
    EXPECT_EQ(dir.read("phone/seem/01ab_0020.seem"), "0123456789");
    ::close(file.fd);

    int closed = file.fd;
    int negative = -1;
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, &closed), kBadArgument);
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, &negative), kBadArgument);
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, nullptr), kBadArgument);
    EXPECT_EQ(Seem_Write(0x10000, 1, 0, 0, &file), kBadArgument);
    EXPECT_EQ(Seem_Write(0x4C, -1, 0, 0, &file), kBadArgument);
    int endless = ::open("/dev/zero", O_RDONLY);
    EXPECT_EQ(Seem_Write(0x4C, 2, 0, 0, &endless), kBadArgument);
    ::close(endless);
    EXPECT_FALSE(dir.exists("phone/seem/004c_0002.seem"));
    EXPECT_EQ(dir.read("phone/seem/004c_0001.seem"), "3456789") << "failed writes change nothing";
}
