// The working folders of a real phone and of the emulator, and where each keeps deleted files:
// the emulator's made-up files never reach a real phone's folder.
#include "app/WorkFolder.h"
#include "backup/PhoneFolders.h"
#include "phonelink/PhoneLink.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

using namespace zandrel;

namespace {
class WorkFolderTest : public testing::Test {
protected:
    TempDir dir;
    std::string failed;

    void SetUp() override
    {
        dir.write("share/orfiles/WebSession", "made-up session");
        dir.write("share/seem/004c_0001.seem", "made-up seem");
        dir.write("share/work-folder-README.txt", "put your stock files here");
        dir.write("share/emulator-folder-README.txt", "samples for the emulator");
    }
    int prepare(bool demo)
    {
        return prepareWorkFolder(dir.file("work"), {dir.file("share")}, demo, failed);
    }
};

TEST_F(WorkFolderTest, OnlyTheEmulatorsFolderGetsTheSamples)
{
    const struct {
        bool demo;
        const char* webSession; // nullptr: not there
        const char* seem;
        const char* readme;
    } rows[] = {
        {false, nullptr, nullptr, "put your stock files here"},
        {true, "made-up session", "made-up seem", "samples for the emulator"},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(prepare(row.demo), 0) << failed;
        EXPECT_TRUE(dir.exists("work/orfiles") && dir.exists("work/seem"));
        for (const auto& [file, bytes] : {std::pair{"work/orfiles/WebSession", row.webSession},
                                          std::pair{"work/seem/004c_0001.seem", row.seem},
                                          std::pair{"work/README.txt", row.readme}}) {
            ASSERT_EQ(dir.exists(file), bytes != nullptr) << file << " demo " << row.demo;
            if (bytes) {
                EXPECT_EQ(dir.read(file), bytes) << file;
            }
        }
        std::filesystem::remove_all(dir.file("work"));
    }
}

// What an earlier version left in a real phone's folder, and what a start makes of it.
TEST_F(WorkFolderTest, ARealPhonesFolderLosesOnlyTheSamplesEarlierVersionsPutThere)
{
    const struct {
        const char* file;
        const char* before;
        bool stays;
    } rows[] = {
        {"work/orfiles/WebSession", "made-up session", false},
        {"work/seem/004c_0001.seem", "made-up seem", false},
        {"work/orfiles/mma_ucp(E398)", "made-up session", true}, // not the sample of its name
        {"work/seem/other", "the user's own", true},
    };
    for (const auto& row : rows)
        dir.write(row.file, row.before);
    dir.write("work/README.txt", "...The files here at first are the samples that come...");
    ASSERT_EQ(prepare(false), 0) << failed;
    for (const auto& row : rows)
        EXPECT_EQ(dir.exists(row.file), row.stays) << row.file;
    EXPECT_EQ(dir.read("work/README.txt"), "put your stock files here");
    // The emulator's never loses a file of its own; a README of the user's own stays.
    dir.write("work/orfiles/WebSession", "mine");
    dir.write("work/README.txt", "my notes");
    ASSERT_EQ(prepare(true), 0) << failed;
    EXPECT_EQ(dir.read("work/orfiles/WebSession"), "mine");
    EXPECT_EQ(dir.read("work/README.txt"), "my notes");
}

TEST_F(WorkFolderTest, AFileWhereAFolderBelongsIsNamedAndTheRestIsDone)
{
    dir.write("work/orfiles", "not a folder");
    EXPECT_EQ(prepare(true), ENOTDIR);
    EXPECT_EQ(failed, dir.file("work/orfiles"));
    EXPECT_EQ(dir.read("work/seem/004c_0001.seem"), "made-up seem");
}

TEST(PhoneFoldersTest, TheEmulatorHasAWorkingFolderAndATrashOfItsOwn)
{
    const char* rows[][4] = {
        {PhoneLink::kRealPhoneKind, "/d", "/d/zandrel/work", "/d/zandrel/trash"},
        {"sim-2", "/d", "/d/zandrel/work", "/d/zandrel/trash"},
        {PhoneLink::kEmulatorKind, "/d", "/d/zandrel/emulator/work", "/d/zandrel/emulator/trash"},
        {PhoneLink::kEmulatorKind, "", "", ""},
    };
    for (const auto& row : rows) {
        const PhoneFolders folders = phoneFolders(row[0], row[1]);
        EXPECT_EQ(folders.work, row[2]) << row[0];
        EXPECT_EQ(folders.trash, row[3]) << row[0];
    }
}
} // namespace
