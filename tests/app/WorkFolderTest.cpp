// The working folders of a real phone and of the emulator, and where each keeps deleted files:
// the emulator's made-up files never reach a real phone's folder.
#include "app/WorkFolder.h"
#include "backup/PhoneFolders.h"
#include "phonelink/PhoneLink.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>

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
    int prepare(bool demo, const char* work = "work")
    {
        return prepareWorkFolder(dir.file(work), {dir.file("share")}, demo, failed);
    }
    std::string at(const std::string& file) { return dir.exists(file) ? dir.read(file) : "-"; }
};

// What a start makes of each folder, the files an earlier version left in the real phone's
// included: a sample goes, anything else stays.
TEST_F(WorkFolderTest, OnlyTheEmulatorsFolderHasTheSamples)
{
    const char* rows[][4] = {
        // file, what was there, after a real phone's start, after the emulator's
        {"orfiles/WebSession", "-", "-", "made-up session"},
        {"seem/004c_0001.seem", "made-up seem", "-", "made-up seem"},
        {"orfiles/mma_ucp(E398)", "made-up session", "made-up session", "made-up session"},
        {"seem/004c_0001.seem.mine", "mine", "mine", "mine"},
        {"README.txt", "-", "put your stock files here", "samples for the emulator"},
    };
    for (const bool demo : {false, true}) {
        const std::string work = demo ? "emulator/" : "work/";
        for (const auto& row : rows)
            if (std::string(row[1]) != "-")
                dir.write(work + row[0], row[1]);
        ASSERT_EQ(prepare(demo, work.c_str()), 0) << failed;
        for (const auto& row : rows)
            EXPECT_EQ(at(work + row[0]), row[demo ? 3 : 2]) << work << row[0];
    }
    // A README of the user's own stays; one an earlier version wrote is brought up to date.
    dir.write("work/README.txt", "The files here at first are the samples that come with it");
    dir.write("emulator/README.txt", "my notes");
    ASSERT_EQ(prepare(false) + prepare(true, "emulator"), 0) << failed;
    EXPECT_EQ(at("work/README.txt"), "put your stock files here");
    EXPECT_EQ(at("emulator/README.txt"), "my notes");
}

TEST_F(WorkFolderTest, AFileWhereAFolderBelongsIsNamedAndTheRestIsDone)
{
    dir.write("work/orfiles", "not a folder");
    EXPECT_EQ(prepare(true), ENOTDIR);
    EXPECT_EQ(failed, dir.file("work/orfiles"));
    EXPECT_EQ(at("work/seem/004c_0001.seem"), "made-up seem");
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
        EXPECT_EQ(folders.work + " " + folders.trash, std::string(row[2]) + " " + row[3]);
    }
}
} // namespace
