// The trash's own housekeeping, its index lines and the keeping settings, on temporary folders.
#include "backup/BackupFolder.h"
#include "backup/KeepSettings.h"
#include "backup/TrashStore.h"
#include "backup/TrashStoreIndex.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace zandrel;
namespace fs = std::filesystem;

namespace {
constexpr std::int64_t kDay = 24 * 60 * 60;
constexpr std::int64_t kMaxAge = KeepSettings::kKeepDays * kDay;
constexpr std::int64_t kNow = 1800000000;

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A run of one copy deleted at `when`, made as the keeper makes it.
std::string addRun(const TrashStore& store, std::int64_t when, const std::string& path)
{
    const std::string run = store.newRun(when);
    EXPECT_FALSE(run.empty());
    writeFile(store.partName(run, 1), "abc");
    EXPECT_EQ(store.add(TrashEntry{run, 1, when, 3, path, "emulator"}), 0);
    return run;
}

// Runs are made at these days (from kNow), then the trash is tidied with the clock at `today`.
TEST(TrashHousekeeping, TheClockIsTrustedOnlyAsFarAsTheTrashAgrees)
{
    struct Row {
        const char* name;
        std::vector<std::int64_t> runDays;
        std::int64_t today;
        std::size_t left;
    };
    const Row rows[] = {
        {"a run 31 days older than now and than a newer run goes", {-31, 0}, 0, 1},
        {"29 days is not old", {-29, 0}, 0, 2},
        {"a clock 40 days ahead empties nothing", {-20, -5, 0}, 40, 3},
        {"a clock 40 days ahead removes what was old anyway", {-45, -5, 0}, 40, 2},
        {"a clock 40 days behind the newest run removes nothing", {-60, 0}, -40, 2},
        {"the newest run is never old by age alone", {0}, 400, 1},
        {"a run dated in the future is not old", {-10, 50}, 0, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const TrashStore store(dir.file("trash"));
        for (const std::int64_t day : row.runDays)
            addRun(store, kNow + day * kDay, "/a/" + std::to_string(day));
        store.removeOld(kNow + row.today * kDay, kMaxAge);
        EXPECT_EQ(store.entries().size(), row.left);
    }
}

// Nothing the trash did not write goes, whatever its age: not a folder of another name, not a
// run-named folder holding a file of another name, not what a link in the trash points to.
TEST(TrashHousekeeping, OnlyItsOwnRunsGo)
{
    TempDir dir;
    const TrashStore store(dir.file("trash"));
    addRun(store, kNow - 100 * kDay, "/a/old");
    addRun(store, kNow, "/a/new");
    fs::create_directories(dir.file("trash/photos"));
    dir.write("trash/photos/me.jpg", "me");
    fs::create_directories(dir.file("trash/20200101-000000"));
    dir.write("trash/20200101-000000/notes.txt", "mine");
    fs::create_directories(dir.file("elsewhere/20200102-000000"));
    dir.write("elsewhere/20200102-000000/1", "x");
    fs::create_directory_symlink(dir.file("elsewhere/20200102-000000"),
                                 dir.file("trash/20200102-000000"));
    // An hour and more after all of that was made.
    store.removeOld(kNow + 2 * 3600, kMaxAge);

    for (const char* kept : {"trash/photos/me.jpg", "trash/20200101-000000/notes.txt",
                             "elsewhere/20200102-000000/1"})
        EXPECT_TRUE(dir.exists(kept)) << kept;
    ASSERT_EQ(store.entries().size(), 1u);
    EXPECT_EQ(store.entries()[0].phonePath, "/a/new");
    EXPECT_FALSE(store.removeRun("photos"));
    EXPECT_FALSE(store.removeRun("20200102-000000")) << "a link is no run";
    EXPECT_TRUE(dir.exists("elsewhere/20200102-000000/1"));
}

// A user who moved the trash to a bigger disk and left a link: the trash is used there, and what
// sits beside it stays.
TEST(TrashHousekeeping, ATrashThatIsALinkIsUsedNotEmptiedAround)
{
    TempDir dir;
    fs::create_directories(dir.file("disk/photos"));
    dir.write("disk/photos/me.jpg", "me");
    fs::create_directories(dir.file("share"));
    fs::create_directory_symlink(dir.file("disk"), dir.file("share/trash"));
    const TrashStore store(dir.file("share/trash"));
    const std::string run = addRun(store, kNow, "/a/x");
    store.removeOld(kNow + 2 * 3600, kMaxAge);
    EXPECT_TRUE(dir.exists("disk/photos/me.jpg"));
    EXPECT_TRUE(dir.exists("disk/" + run + "/1"));
    EXPECT_TRUE(fs::is_symlink(dir.file("share/trash")));
    EXPECT_EQ(store.entries().size(), 1u);
}

// Leftovers of a run cut short go once they are an hour old, and only they.
TEST(TrashHousekeeping, LeftoversOfARunCutShortGoAfterAnHour)
{
    TempDir dir;
    const TrashStore store(dir.file("trash"));
    const std::string run = store.newRun(kNow);
    writeFile(store.partName(run, 1), "half");
    const std::string kept = addRun(store, kNow, "/a/x");
    writeFile(store.partName(kept, 2), "half");
    store.removeOld(::time(nullptr) + 10, kMaxAge);
    EXPECT_TRUE(dir.exists("trash/" + run)) << "not an hour old yet";
    store.removeOld(::time(nullptr) + 2 * 3600, kMaxAge);
    EXPECT_FALSE(dir.exists("trash/" + run));
    EXPECT_FALSE(fs::exists(store.partName(kept, 2)));
    EXPECT_EQ(store.entries().size(), 1u);
}

TEST(TrashIndex, LinesAreReadOnlyWhenTheyHoldAPhonePath)
{
    struct Row {
        std::string line;
        bool read;
        std::string path;
        std::string kind;
        bool replaced;
        std::uint32_t pack = 0;
        std::uint64_t offset = 0;
    };
    const Row rows[] = {
        {"1\t100\t3\t/a/x", true, "/a/x", "", false},
        {"8\t100\t3\t/a/x\tusb\t\t8\t0", true, "/a/x", "usb", false, 8, 0},
        {"9\t100\t3\t/a/x\tusb\treplaced\t8\t3", true, "/a/x", "usb", true, 8, 3},
        {"9\t100\t3\t/a/x\tusb\t\t0\t3", false, "", "", false},
        {"9\t100\t3\t/a/x\tusb\t\t8", false, "", "", false},
        {"9\t100\t3\t/a/x\tusb\t\t8\tthree", false, "", "", false},
        {"2\t100\t3\t/a/x\\x09y\tusb\t", false, "", "", false},
        {"2\t100\t3\t/a/x\\x00y", false, "", "", false},
        {"2\t100\t3\t/a/x\\x0Dy", false, "", "", false},
        {"2\t100\t3\t/a/x\\x0Ay", false, "", "", false},
        {"3\t100\t3\t/a/\\xCF\\\\b\temulator\treplaced", true, "/a/\xCF\\b", "emulator", true},
        {"4\t100\t3\t/a/x\tusb\t", true, "/a/x", "usb", false},
        {"5\t100\tthree\t/a/x", false, "", "", false},
        {"6\t100\t3", false, "", "", false},
        {"7\t100\t3\t/" + std::string(600, 'a'), false, "", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        TrashEntry entry;
        ASSERT_EQ(parseTrashIndexLine(row.line, entry), row.read);
        if (!row.read)
            continue;
        EXPECT_EQ(entry.phonePath, row.path);
        EXPECT_EQ(entry.phoneKind, row.kind);
        EXPECT_EQ(entry.replacedByRestore, row.replaced);
        EXPECT_EQ(entry.pack, row.pack);
        EXPECT_EQ(entry.offset, row.offset);
        if (row.pack != 0) { // a packed copy's line is written as it was read
            EXPECT_EQ(trashIndexLine(entry), row.line + "\n");
        }
    }
}

// A run holding an older copy of its own beside a pack of three, as a clean's batch writes it.
class TrashPackTest : public ::testing::Test {
protected:
    TempDir dir;
    const TrashStore store{dir.file("trash")};
    std::string run = store.newRun(kNow);

    void SetUp() override
    {
        writeFile(store.partName(run, 1), "old");
        ASSERT_EQ(store.add(TrashEntry{run, 1, kNow, 3, "/a/old", "usb"}), 0);
        writeFile(store.partName(run, 2), "abcdefgh");
        std::vector<TrashEntry> batch{{run, 2, kNow, 3, "/a/one", "usb", false, 2, 0},
                                      {run, 3, kNow, 2, "/a/two", "usb", false, 2, 3},
                                      {run, 4, kNow, 3, "/a/three", "usb", false, 2, 5}};
        ASSERT_EQ(store.add(batch), 0);
    }

    // Each listed copy as path=bytes, or path=! where it cannot be read.
    std::string listed() const
    {
        std::string text;
        for (const TrashEntry& entry : store.entries()) {
            std::string bytes;
            std::uint64_t found = 0;
            text += entry.phonePath + "=" +
                    (store.readCopy(entry, bytes, found) == 0 ? bytes : "!") + " ";
        }
        return text;
    }
};

TEST_F(TrashPackTest, EachCopyOfAPackIsReadAtItsOwnPlace)
{
    EXPECT_EQ(listed(), "/a/old=old /a/one=abc /a/two=de /a/three=fgh ");
    EXPECT_EQ(store.runs().at(0).bytes, 11u);
    // A pack cut short lists only the copies it wholly holds; one read later is refused.
    const std::vector<TrashEntry> before = store.entries();
    fs::resize_file(store.fileOf(before[1]), 6);
    EXPECT_EQ(listed(), "/a/old=old /a/one=abc /a/two=de ");
    std::string bytes;
    std::uint64_t found = 0;
    EXPECT_EQ(store.readCopy(before[3], bytes, found), BackupFolder::kSizeDiffers);
    EXPECT_EQ(found, 1u);
}

TEST_F(TrashPackTest, APackGoesWithItsLastCopy)
{
    const std::string pack = store.fileOf(store.entries()[1]);
    struct Row {
        std::vector<std::uint32_t> removed;
        std::string left;
        bool packThere;
    };
    const Row rows[] = {
        {{3}, "/a/old=old /a/one=abc /a/three=fgh ", true},
        {{1, 2}, "/a/three=fgh ", true},
        {{4}, "", false},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(store.removeCopies(run, row.removed), 0);
        EXPECT_EQ(listed(), row.left);
        EXPECT_EQ(fs::exists(pack), row.packThere);
    }
    EXPECT_FALSE(fs::exists(dir.file("trash/" + run)));
}

TEST(KeepSettingsTest, AValueThatMeansNothingIsToldNotGuessed)
{
    struct Row {
        const char* lines;
        bool keep;
        std::uint64_t maxFileBytes;
        std::vector<std::string> unreadable;
    };
    const std::uint64_t kDefaultFile = KeepSettings::kDefaultMaxFileKB * 1024;
    const Row rows[] = {
        {"", true, kDefaultFile, {}},
        {"KeepDeleted=0", false, kDefaultFile, {}},
        {"KeepDeleted=no", false, kDefaultFile, {}},
        {"KeepDeleted=Off\nMaxFileKB=10", false, 10240, {}},
        {"KeepDeleted=FALSE", false, kDefaultFile, {}},
        {"KeepDeleted=Yes", true, kDefaultFile, {}},
        {"KeepDeleted=nein", true, kDefaultFile, {"KeepDeleted=nein"}},
        {"MaxFileKB=lots\nMaxTotalKB=-5", true, kDefaultFile, {"MaxFileKB=lots", "MaxTotalKB=-5"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.lines);
        TempDir dir;
        dir.write("Zandrel.ini", std::string("[Backup]\n") + row.lines + "\n");
        const KeepSettings settings = KeepSettings::read(dir.file("Zandrel.ini"));
        EXPECT_EQ(settings.keep, row.keep);
        EXPECT_EQ(settings.maxFileBytes, row.maxFileBytes);
        EXPECT_EQ(settings.unreadable, row.unreadable);
    }
}

} // namespace
