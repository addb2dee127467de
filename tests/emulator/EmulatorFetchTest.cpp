#include "EmulatorFixture.h"
#include "EmulatorResults.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace p2kemu;

extern "C" int32_t File_Fetch(const char* path, int32_t fd);

namespace {

// Bytes that differ from one position to the next, so a shifted or cut copy shows.
std::string pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class Fetched {
public:
    explicit Fetched(const std::string& path, int flags = O_RDWR | O_CREAT | O_TRUNC)
        : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0600))
    {
    }
    ~Fetched()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

TEST_F(EmulatorTest, FetchCopiesTheWholeFileFromTheDescriptorsPosition)
{
    const std::size_t sizes[] = {0, 1, 1024, 1025, 1024 * 1024};
    std::vector<std::pair<std::string, std::string>> files;
    for (std::size_t size : sizes)
        files.push_back({"/a/f" + std::to_string(size), pattern(size)});
    files.push_back({"/a/\xCF\xF0\xE8\xE2\xE5\xF2.txt", "cyrillic"});
    startPhone(files, "[Phone]\nconnected=1\ncapacity=4000000\n");
    for (const auto& [path, bytes] : files) {
        dir.write("copy", "head");
        Fetched copy(dir.file("copy"), O_WRONLY);
        ASSERT_EQ(::lseek(copy.fd(), 0, SEEK_END), 4);
        EXPECT_EQ(File_Fetch(path.c_str(), copy.fd()), static_cast<int32_t>(bytes.size())) << path;
        EXPECT_EQ(dir.read("copy"), "head" + bytes) << path;
        EXPECT_EQ(phoneFile(path), bytes) << "the phone keeps its file";
    }
    EXPECT_NE(journal().find("File_Fetch(\"/a/f1025\", fd "), std::string::npos);
    EXPECT_NE(journal().find("-> 1025 ok: 1025 bytes copied"), std::string::npos);
}

TEST_F(EmulatorTest, FetchRefusesWhatItCannotCopyAndChangesNothing)
{
    startPhone({{"/a/b.txt", "bbb"}, {"/a/mobile/x", "x"}});
    dir.write("outside/secret", "not the phone's");
    fs::create_symlink(dir.file("outside/secret"), root + "/fs/a/link");
    dir.write("readonly", "");
    Fetched copy(dir.file("copy"));
    Fetched readOnly(dir.file("readonly"), O_RDONLY);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    struct Row {
        const char* path;
        int fd;
        int32_t result;
    };
    const Row rows[] = {
        {nullptr, copy.fd(), kBadPath},
        {"a/b.txt", copy.fd(), kBadPath},
        {"/a/../../outside/secret", copy.fd(), kBadPath},
        {"/a/link", copy.fd(), kBadPath},
        {"/a/mobile", copy.fd(), kBadPath},
        {"/a/missing", copy.fd(), kNotFound},
        {"/a/b.txt", -1, kBadArgument},
        {"/a/b.txt", readOnly.fd(), kBadArgument},
        {"/a/b.txt", pipeFds[1], kBadArgument},
    };
    for (const Row& row : rows)
        EXPECT_EQ(File_Fetch(row.path, row.fd), row.result) << (row.path ? row.path : "NULL");
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    EXPECT_EQ(fs::file_size(dir.file("copy")), 0u);

    writeIni("[Phone]\nconnected=0\n");
    EXPECT_EQ(File_Fetch("/a/b.txt", copy.fd()), kNotConnected);
    EXPECT_EQ(fs::file_size(dir.file("copy")), 0u);
    writeIni("[Phone]\nconnected=1\n");
    EXPECT_EQ(listPaths(), (std::vector<std::string>{"/a/b.txt", "/a/mobile/x"}));
}
