// File_Count and File_List over the simulated phone.
#include "SimFixture.h"

#include <cstring>
#include <filesystem>

namespace p2kusb {
namespace {

class ListingTest : public SimFixture {};

std::vector<std::string> numberedFiles(int count)
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/a/d%d/f%05d", i % 7, i);
        paths.push_back(name);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST_F(ListingTest, ListsEveryFileWhateverTheCount)
{
    // 3 and 4 sit either side of the phone's batch of three records.
    for (int count : {0, 1, 3, 4, 10000}) {
        std::filesystem::remove_all(dir.file("fs/a"));
        std::filesystem::create_directories(dir.file("fs/a"));
        std::vector<std::string> expected = numberedFiles(count);
        for (const std::string& path : expected)
            putFile(path, "");
        EXPECT_EQ(listPaths(), expected) << count << " files";
    }
}

TEST_F(ListingTest, KeepsNamesOfOneAnd259BytesAndCyrillicNames)
{
    // The longest path a 260-byte record field holds with its NUL; one name of 1 byte.
    const std::string longest = "/a/" + std::string(128, 'd') + "/" + std::string(127, 'n');
    ASSERT_EQ(longest.size(), 259u);
    const std::string cyrillic = "/a/\xCC\xE5\xEB\xEE\xE4\xE8\xFF.mp3"; // "Мелодия" in Windows-1251
    putFile("/a/x", "12345");
    putFile(longest, "");
    putFile(cyrillic, "");
    std::vector<std::string> expected = {"/a/x", cyrillic, longest};
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(session.fileCount(), 3);
    std::vector<std::uint8_t> records(3 * P2K_RECORD_SIZE, 0xEE);
    ASSERT_EQ(session.fileList(records.data(), 3), 3);
    for (int i = 0; i < 3; ++i) {
        const std::uint8_t* record = records.data() + i * P2K_RECORD_SIZE;
        std::string path(reinterpret_cast<const char*>(record + P2K_RECORD_PATH_OFFSET));
        EXPECT_EQ(path, expected[i]);
        std::uint32_t size = 0;
        std::memcpy(&size, record, 4); // little-endian on this machine
        EXPECT_EQ(size, path == "/a/x" ? 5u : 0u);
        // The listed path deletes the file it names.
        EXPECT_EQ(session.fileDelete(path.c_str()), kOk);
        EXPECT_FALSE(phoneHas(path)) << path;
    }
}

TEST_F(ListingTest, FillsNoMoreRecordsThanAskedOrKept)
{
    for (const std::string& path : numberedFiles(4))
        putFile(path, "");
    ASSERT_EQ(session.fileCount(), 4);
    std::vector<std::uint8_t> records(6 * P2K_RECORD_SIZE, 0xEE);
    EXPECT_EQ(session.fileList(records.data(), 2), 2);
    EXPECT_EQ(records[2 * P2K_RECORD_SIZE], 0xEE);
    EXPECT_EQ(session.fileList(records.data(), 6), 4);
    EXPECT_EQ(records[4 * P2K_RECORD_SIZE], 0xEE);
    EXPECT_EQ(session.fileList(nullptr, 0), 0);
    EXPECT_EQ(session.fileList(nullptr, 1), kBadArgument);
    EXPECT_EQ(session.fileList(records.data(), -1), kBadArgument);
}

TEST_F(ListingTest, AFaultMidListingFailsAndKeepsNoHalfListing)
{
    for (const std::string& path : numberedFiles(10))
        putFile(path, "");
    ASSERT_EQ(session.fileCount(), 10);
    struct Row {
        const char* what;
        SimFaults faults;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"unplugged after the third list-next", {.unplugAfter = 4}, kNotConnected},
        {"a listing that goes far past its count", {.extraRecords = 2 * 10 + 0x10000 + 1},
         kBadReply},
        {"silent", {.silent = true}, kTimeout},
    };
    for (const Row& row : rows) {
        phone->plugIn();
        phone->setFaults(row.faults);
        EXPECT_EQ(session.fileCount(), row.expected) << row.what;
        std::vector<std::uint8_t> records(P2K_RECORD_SIZE);
        EXPECT_EQ(session.fileList(records.data(), 1), 0) << row.what;
    }
    phone->plugIn();
    phone->setFaults({});
    EXPECT_EQ(listPaths(), numberedFiles(10)); // the phone itself is untouched
}

TEST_F(ListingTest, EndsWhereThePhoneEndsItsListing)
{
    const std::vector<std::string> files = numberedFiles(5);
    for (const std::string& path : files)
        putFile(path, "");
    const std::pair<const char*, SimFaults> rows[] = {
        {"an error status after the last record", {.listEnd = SimListEnd::ErrorStatus}},
        {"an empty reply after the last record", {.listEnd = SimListEnd::EmptyReply}},
        {"no reply after the last record", {.listEnd = SimListEnd::NoReply}},
        {"no reply after a record past the count",
         {.announceShortBy = 1, .listEnd = SimListEnd::NoReply}},
        {"an empty path and one that fills its field", {.unusableRecords = true}},
    };
    for (const auto& [what, faults] : rows) {
        phone->setFaults(faults);
        EXPECT_EQ(listPaths(), files) << what;
    }
}

TEST_F(ListingTest, ReadsPastAShortAnnouncementAndGivesEachPathOnce)
{
    struct Row {
        const char* what;
        int files;
        SimFaults faults;
    };
    const Row rows[] = {
        {"4 announced as 3", 4, {.announceShortBy = 1}},
        {"10 announced as 8", 10, {.announceShortBy = 2}},
        {"1000 announced as 998", 1000, {.announceShortBy = 2}},
        {"1000 announced as none", 1000, {.announceShortBy = 1000}},
        {"short, ended by an error status", 5,
         {.announceShortBy = 1, .listEnd = SimListEnd::ErrorStatus}},
        {"short, ended by an empty reply", 5,
         {.announceShortBy = 1, .listEnd = SimListEnd::EmptyReply}},
        {"the first 4 records sent again", 10, {.repeatRecords = 4}},
        {"short and repeating", 10, {.announceShortBy = 3, .repeatRecords = 3}},
    };
    for (const Row& row : rows) {
        std::filesystem::remove_all(dir.file("fs/a"));
        std::filesystem::create_directories(dir.file("fs/a"));
        const std::vector<std::string> expected = numberedFiles(row.files);
        for (const std::string& path : expected)
            putFile(path, "");
        phone->setFaults(row.faults);
        EXPECT_EQ(listPaths(), expected) << row.what;
    }
}

TEST_F(ListingTest, CutsOffAListingThatOverrunsItsCountForTooLong)
{
    // With no time at all past the count, the first record past it ends the listing; a phone
    // that keeps to its count is never cut.
    Timing timing = kTiming;
    timing.listingOverrun = Millis(0);
    Session strict(port, LibraryConfig{}, timing);
    ASSERT_EQ(strict.init(nullptr), kOk);
    for (const std::string& path : numberedFiles(6))
        putFile(path, "");
    EXPECT_EQ(strict.fileCount(), 6);
    phone->setFaults({.announceShortBy = 1});
    EXPECT_EQ(strict.fileCount(), kBadReply);
    std::vector<std::uint8_t> records(P2K_RECORD_SIZE);
    EXPECT_EQ(strict.fileList(records.data(), 1), 0);
}

TEST_F(ListingTest, ListsACardPutInOrTakenOutWhilePluggedIn)
{
    putFile("/a/x", "");
    EXPECT_EQ(listPaths(), std::vector<std::string>{"/a/x"});
    putFile("/b/card/song.mp3", "12"); // the card's volume shows up
    EXPECT_EQ(listPaths(), (std::vector<std::string>{"/a/x", "/b/card/song.mp3"}));
    std::filesystem::remove_all(dir.file("fs/b"));
    EXPECT_EQ(listPaths(), std::vector<std::string>{"/a/x"});
}

TEST_F(ListingTest, ListsTheFilesOfEveryVolume)
{
    putFile("/a/x", "");
    putFile("/c/card/song.mp3", "12");
    putFile("/e/y", "");
    EXPECT_EQ(listPaths(), (std::vector<std::string>{"/a/x", "/c/card/song.mp3", "/e/y"}));
    EXPECT_EQ(session.fileDelete("/c/card/song.mp3"), kOk);
    EXPECT_FALSE(phoneHas("/c/card/song.mp3"));
    phone->setFaults({.emptySlot = "/e"});
    EXPECT_EQ(listPaths(), std::vector<std::string>{"/a/x"});
    // A phone that does not answer the volumes command is listed as its own memory only.
    phone->unplug(); // the next connection asks for the volumes again
    EXPECT_EQ(session.fileCount(), kNotConnected);
    phone->plugIn();
    phone->setFaults({.noVolumes = true});
    EXPECT_EQ(listPaths(), std::vector<std::string>{"/a/x"});
}

} // namespace
} // namespace p2kusb
