// Seem_Write: backup before, read-back after, and no write without a backup.
#include "SimFixture.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <unistd.h>

namespace p2kusb {
namespace {

namespace fs = std::filesystem;

class SeemTest : public SimFixture {
protected:
    SeemTest()
    {
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            savedDataHome_ = old;
        ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
        dir.write("seem/004c_0001.seem", kOld);
        dir.write("local.seem", kNew);
        fd_ = ::open(dir.file("local.seem").c_str(), O_RDONLY);
    }
    ~SeemTest() override
    {
        ::close(fd_);
        if (savedDataHome_)
            ::setenv("XDG_DATA_HOME", savedDataHome_->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

    std::int32_t write(int fd) { return session.seemWrite(0x4C, 1, 0, 0, &fd); }
    std::string record() const { return dir.read("seem/004c_0001.seem"); }
    std::vector<fs::path> backups() const
    {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir.file("data/zandrel/seem-backup"), ec))
            found.push_back(entry.path());
        return found;
    }
    bool seemWriteSent() const
    {
        for (const Bytes& message : phone->received())
            if (message.size() >= 4 && message[2] == 0x00 && message[3] == 0x2F)
                return true;
        return false;
    }

    const std::string kOld = std::string("old record \x01\x02\x03\x00!", 16);
    const std::string kNew = std::string("new record \x04\x05\x06\x00?", 16);
    int fd_ = -1;

private:
    std::optional<std::string> savedDataHome_;
};

TEST_F(SeemTest, BacksUpTheRecordWritesItAndReadsItBack)
{
    ::lseek(fd_, 0, SEEK_END); // the whole file goes, wherever the descriptor stands
    ASSERT_EQ(write(fd_), kOk);
    EXPECT_EQ(record(), kNew);
    auto saved = backups();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_TRUE(std::regex_match(saved[0].filename().string(),
                                 std::regex(R"(004c_0001-\d{8}-\d{6}\.seem)")))
        << saved[0];
    EXPECT_EQ(dir.read("data/zandrel/seem-backup/" + saved[0].filename().string()), kOld);
    // Again within the same second: a second backup, the first one kept.
    dir.write("seem/004c_0001.seem", kOld);
    ASSERT_EQ(write(fd_), kOk);
    EXPECT_EQ(backups().size(), 2u);
}

TEST_F(SeemTest, ARecordThatReadsBackOtherwiseIsAnError)
{
    phone->setFaults({.corruptSeemWrites = true});
    EXPECT_EQ(write(fd_), kVerifyFailed);
    EXPECT_EQ(backups().size(), 1u); // the old record can be put back from it
}

TEST_F(SeemTest, NoBackupNoWrite)
{
    dir.write("data", "a file where the backup folder would go");
    EXPECT_EQ(write(fd_), kHostError);
    EXPECT_EQ(record(), kOld);
    EXPECT_FALSE(seemWriteSent());
}

TEST_F(SeemTest, RefusesWhatCannotBeWrittenSafely)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    dir.write("short.seem", "too short");
    int shortFd = ::open(dir.file("short.seem").c_str(), O_RDONLY);
    dir.write("empty.seem", "");
    int emptyFd = ::open(dir.file("empty.seem").c_str(), O_RDONLY);
    struct Row {
        const char* what;
        std::int32_t result;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"no descriptor", session.seemWrite(0x4C, 1, 0, 0, nullptr), kBadArgument},
        {"a closed descriptor", write(-1), kBadArgument},
        {"a pipe", write(pipeFds[0]), kBadArgument},
        {"an empty file", write(emptyFd), kBadArgument},
        {"seem out of range", session.seemWrite(0x10000, 1, 0, 0, &fd_), kBadArgument},
        {"record out of range", session.seemWrite(0x4C, -1, 0, 0, &fd_), kBadArgument},
        {"a record the phone does not have", session.seemWrite(0x4C, 2, 0, 0, &fd_), kRefused},
        {"another length than the record's", write(shortFd), kLengthDiffers},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.result, row.expected) << row.what;
    EXPECT_EQ(record(), kOld);
    EXPECT_TRUE(backups().empty());
    EXPECT_FALSE(seemWriteSent());
    for (int fd : {pipeFds[0], pipeFds[1], shortFd, emptyFd})
        ::close(fd);
}

} // namespace
} // namespace p2kusb
