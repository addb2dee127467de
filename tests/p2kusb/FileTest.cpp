// File_Delete, File_Create/File_Write/File_Close and File_VolInfo over the simulated phone.
#include "SimFixture.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace p2kusb {
namespace {

class FileTest : public SimFixture {
protected:
    // The program's way: delete, create, one write of everything, close.
    std::int32_t upload(const std::string& path, const std::string& bytes)
    {
        (void)session.fileDelete(path.c_str());
        if (std::int32_t created = session.fileCreate(path.c_str(), 4))
            return created;
        std::int32_t wrote = session.fileWrite(bytes.data(), std::int32_t(bytes.size()),
                                               std::int32_t(bytes.size()) - 1);
        if (wrote != std::int32_t(bytes.size()))
            return wrote;
        return session.fileClose();
    }

    std::int32_t fetch(const std::string& path)
    {
        int fd = ::open(dir.file("fetched").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        std::int32_t result = session.fileFetch(path.c_str(), fd);
        ::close(fd);
        return result;
    }

    static std::string pattern(std::size_t size)
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + i / 251);
        return bytes;
    }
};

TEST_F(FileTest, UploadsFilesOfEverySizeInChunksAndReadsThemBack)
{
    std::filesystem::create_directories(dir.file("fs/a/mobile/audio"));
    // 1024 and 1025 sit either side of one write or read message; 0 still makes the file.
    // File_Fetch reads it back and changes nothing.
    for (std::size_t size : {0, 1, 1024, 1025, 5000}) {
        const std::string path = "/a/mobile/audio/t" + std::to_string(size) + ".db";
        EXPECT_EQ(upload(path, pattern(size)), kOk) << size;
        EXPECT_EQ(fetch(path), std::int32_t(size)) << size;
        EXPECT_EQ(dir.read("fetched"), pattern(size)) << size;
        EXPECT_EQ(phoneFile(path), pattern(size)) << size;
    }
    for (const Bytes& message : phone->received()) {
        ASSERT_GE(message.size(), 8u);
        EXPECT_LE(message.size(), 8u + 8u + 0x400u);
    }
}

TEST_F(FileTest, NoticesOldBytesAPhoneLeavesBehindAnUnshortenedFile)
{
    putFile("/a/t.db", pattern(3000));
    ASSERT_EQ(session.fileCreate("/a/t.db", 4), kOk);
    ASSERT_EQ(session.fileWrite("new", 3, 2), 3);
    EXPECT_EQ(session.fileClose(), kVerifyFailed);
    // A phone that empties the file on open passes the same check.
    phone->setFaults({.truncateOnOpen = true});
    ASSERT_EQ(session.fileCreate("/a/t.db", 4), kOk);
    ASSERT_EQ(session.fileWrite("new", 3, 2), 3);
    EXPECT_EQ(session.fileClose(), kOk);
    EXPECT_EQ(phoneFile("/a/t.db"), "new");
}

TEST_F(FileTest, AFaultMidUploadFailsAndTheNextUploadStartsClean)
{
    const std::string bytes = pattern(4000);
    struct Row {
        const char* what;
        SimFaults faults;
        std::int32_t expected;
        std::size_t onPhone; // bytes the phone got before the fault
    };
    const Row rows[] = {
        {"unplugged after two chunks", {.unplugAfter = 2}, kNotConnected, 2048},
        {"refusing", {.refuse = true}, kRefused, 0},
        {"silent", {.silent = true}, kTimeout, 1024},
    };
    for (const Row& row : rows) {
        phone->unplug(); // a fresh phone session: no file left open from the last row
        phone->plugIn();
        phone->setFaults({});
        putFile("/a/u.bin", "");
        ASSERT_EQ(session.fileCreate("/a/u.bin", 4), kOk) << row.what;
        phone->setFaults(row.faults);
        EXPECT_EQ(session.fileWrite(bytes.data(), 4000, 3999), row.expected) << row.what;
        EXPECT_EQ(phoneFile("/a/u.bin"), bytes.substr(0, row.onPhone)) << row.what;
        EXPECT_EQ(session.fileClose(), row.expected == kNotConnected ? kNotConnected : kOutOfOrder)
            << row.what;
    }
    phone->unplug();
    phone->plugIn();
    phone->setFaults({});
    EXPECT_EQ(upload("/a/u.bin", bytes), kOk);
    EXPECT_EQ(phoneFile("/a/u.bin"), bytes);
}

TEST_F(FileTest, RefusesBadArgumentsAndCallsOutOfOrder)
{
    const std::string tooLong = "/a/" + std::string(257, 'x'); // 260 bytes
    EXPECT_EQ(session.fileDelete(nullptr), kBadPath);
    EXPECT_EQ(session.fileDelete("a/x"), kBadPath);
    EXPECT_EQ(session.fileDelete("/a/x\ny"), kBadPath);
    EXPECT_EQ(session.fileCreate(tooLong.c_str(), 4), kBadPath);
    EXPECT_EQ(session.fileDelete("/a/missing"), kRefused);
    EXPECT_EQ(session.fileWrite("x", 1, 0), kOutOfOrder);
    EXPECT_EQ(session.fileClose(), kOutOfOrder);
    ASSERT_EQ(session.fileCreate("/a/one", 4), kOk);
    EXPECT_EQ(session.fileCreate("/a/two", 4), kOutOfOrder);
    EXPECT_EQ(session.fileWrite(nullptr, 1, 0), kBadArgument);
    EXPECT_EQ(session.fileWrite("x", -1, 0), kBadArgument);
    EXPECT_EQ(session.fileWrite("x", 1, 0), 1);
    EXPECT_EQ(session.fileClose(), kOk);
    EXPECT_EQ(phoneFile("/a/one"), "x");
    EXPECT_FALSE(phoneHas("/a/two"));
}

TEST_F(FileTest, FreeSpaceIsClampedToTheResultsRange)
{
    auto big = std::make_shared<SimPhone>(dir.path(), 5'000'000'000ull);
    SimPort bigPort(big);
    Session bigSession(bigPort, {}, kTiming);
    ASSERT_EQ(bigSession.init(nullptr), kOk);
    std::int32_t info = 0;
    EXPECT_EQ(bigSession.volInfo(&info), 2147483647);
    EXPECT_EQ(info, 2147483647);
}

TEST_F(FileTest, ASlowDeleteWorksAndAFailedUploadNeverBlocksLaterDeletesOrUploads)
{
    putFile("/a/slow", "");
    phone->setFaults({.busy = 3 * kTiming.transfer}); // past a query's bound, within a delete's
    EXPECT_EQ(session.fileDelete("/a/slow"), kOk);
    phone->setFaults({});
    ASSERT_EQ(session.fileCreate("/a/u.bin", 4), kOk);
    phone->setFaults({.busy = 3 * kTiming.slowReply}); // the write's reply comes too late
    EXPECT_EQ(session.fileWrite("data", 4, 3), kTimeout);
    phone->setFaults({});
    EXPECT_EQ(session.fileDelete("/a/u.bin"), kOk);
    EXPECT_FALSE(phoneHas("/a/u.bin"));
    EXPECT_EQ(upload("/a/v.bin", "new"), kOk);
    EXPECT_EQ(phoneFile("/a/v.bin"), "new");
}

TEST_F(FileTest, FreeSpaceIsAskedInTheToolsLayoutFirstAndTheOneThatWorkedIsKept)
{
    // Queries of the first call to a phone that takes both layouts, the zero word's only, or
    // only the plain name; one for every later call.
    const std::pair<SimFaults, std::size_t> rows[] = {
        {{}, 1}, {{.volumeAfterZeroWord = true}, 1}, {{.volumePlainOnly = true}, 2}};
    for (const auto& [faults, firstCall] : rows) {
        phone->unplug(); // a new connection learns the layout again
        phone->plugIn();
        phone->setFaults(faults);
        for (const std::size_t queries : {firstCall, std::size_t(1)}) {
            const std::size_t before = phone->received().size();
            EXPECT_GE(session.volInfo(nullptr), 0);
            EXPECT_EQ(phone->received().size() - before, queries)
                << faults.volumeAfterZeroWord << faults.volumePlainOnly;
        }
    }
}

// File_Fetch leaves no file open on the phone, whatever happens.
TEST_F(FileTest, FetchesALargeFileAndFailsOnAMissingOneOrAnUnplug)
{
    putFile("/a/big", pattern(1024 * 1024));
    EXPECT_EQ(fetch("/a/big"), 1024 * 1024);
    EXPECT_EQ(dir.read("fetched"), pattern(1024 * 1024));
    EXPECT_EQ(fetch("/a/missing"), kRefused);
    EXPECT_FALSE(phoneHas("/a/missing"));
    EXPECT_EQ(session.fileCreate("/a/missing/x.db", 4), kRefused) << "an open in a missing folder";
    phone->setFaults({.unplugAfter = 6}); // search, two list-nexts, open, two reads
    EXPECT_EQ(fetch("/a/big"), kNotConnected);
    phone->plugIn();
    EXPECT_EQ(session.fileDelete("/a/big"), kOk);
}

} // namespace
} // namespace p2kusb
