#include "tools/RingFix.h"
#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "TempDir.h"
#include "TestLists.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace zandrel;

namespace {

std::size_t openDescriptors()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

class RingFixTest : public testing::Test {
protected:
    FakePhoneLink phone;
    FakePrompts prompts;
    MessageTexts texts;
    TempDir folder;
    WorkingDirectory inFolder{folder.path()};
};

TEST_F(RingFixTest, WritesTheSeemFromTheOpenFileThenDeletesBothToneDatabases)
{
    const std::string seem("\x00\x4C\x01\xFFrecord", 10);
    folder.write("seem/004c_0001.seem", seem);
    const std::size_t descriptors = openDescriptors();
    EXPECT_TRUE(RingFix(phone, prompts, texts));
    EXPECT_EQ(phone.calls, kRingFixCalls);
    EXPECT_EQ(phone.seemData, (Lines{seem}));
    EXPECT_EQ(openDescriptors(), descriptors); // the seem file is closed again
    EXPECT_TRUE(prompts.take().empty());
}

TEST_F(RingFixTest, NeedsNoConnectionAndRepeatsFromTheStart)
{
    folder.write("seem/004c_0001.seem", "abc");
    phone.status = 0;
    EXPECT_TRUE(RingFix(phone, prompts, texts));
    EXPECT_TRUE(RingFix(phone, prompts, texts));
    Lines twice = kRingFixCalls;
    twice.insert(twice.end(), kRingFixCalls.begin(), kRingFixCalls.end());
    EXPECT_EQ(phone.calls, twice);
    EXPECT_EQ(phone.seemData, (Lines{"abc", "abc"}));
}

TEST_F(RingFixTest, LooksInTheWorkingDirectoryOfTheMoment)
{
    TempDir other;
    folder.write("seem/004c_0001.seem", "here");
    other.write("seem/004c_0001.seem", "there");
    {
        WorkingDirectory inOther(other.path());
        EXPECT_TRUE(RingFix(phone, prompts, texts));
    }
    EXPECT_TRUE(RingFix(phone, prompts, texts));
    EXPECT_EQ(phone.seemData, (Lines{"there", "here"}));
}

TEST_F(RingFixTest, ReadOnlySeemFileWorks)
{
    // The descriptor's access mode shows it, whoever runs the test: root could open a
    // read-only file for writing too.
    folder.write("seem/004c_0001.seem", "ro");
    ::chmod(folder.file("seem/004c_0001.seem").c_str(), 0444);
    EXPECT_TRUE(RingFix(phone, prompts, texts));
    EXPECT_EQ(phone.seemData, (Lines{"ro"}));
    EXPECT_EQ(phone.seemAccessModes, (std::vector<int>{O_RDONLY}));
}

TEST_F(RingFixTest, RefusedSeemIsReportedAndTheDatabasesStay)
{
    folder.write("seem/004c_0001.seem", std::string(2 << 20, 's'));
    phone.seemResult = -2;
    EXPECT_FALSE(RingFix(phone, prompts, texts));
    EXPECT_EQ(phone.calls, (Lines{kRingFixCalls.front()}));
    EXPECT_EQ(prompts.take(), (Lines{"error: Seem_Write failed with result -2; the tone "
                                     "databases are left as they were"}));
}

TEST_F(RingFixTest, SeemFileThatCannotBeOpenedReachesNothing)
{
    struct Row {
        const char* setup;
        const char* error;
    };
    for (const Row row : {Row{"missing file", "error: File not found"},
                          Row{"missing folder", "error: Invalid filename"},
                          Row{"folder for file", "error: File access denied"},
                          Row{"file for folder", "error: Invalid filename"}}) {
        std::filesystem::remove_all(folder.file("seem"));
        const std::string setup = row.setup;
        if (setup == "missing file")
            std::filesystem::create_directory(folder.file("seem"));
        if (setup == "folder for file")
            std::filesystem::create_directories(folder.file("seem/004c_0001.seem"));
        if (setup == "file for folder")
            folder.write("seem", "not a folder");
        const std::size_t descriptors = openDescriptors();
        EXPECT_FALSE(RingFix(phone, prompts, texts)) << setup;
        EXPECT_EQ(prompts.take(), (Lines{row.error})) << setup;
        EXPECT_TRUE(phone.calls.empty()) << setup;
        EXPECT_EQ(openDescriptors(), descriptors) << setup;
    }
}

// Stop is asked after the seem write and after each delete: what was done is what the steps say.
TEST_F(RingFixTest, StopBetweenStepsSaysHowFarItWent)
{
    struct Row {
        const char* stopDuring; // the call during which the user asks to stop
        bool finished;
        int databasesDeleted;
        std::size_t calls;
    };
    const Row rows[] = {
        {"Seem_Write", false, 0, 1},
        {"File_Delete /a/mobile/audio/TempToneDB.db", false, 1, 2},
        {"File_Delete /a/mobile/audio/MyToneDB.db", true, 2, 3},
        {"none", true, 2, 3},
    };
    folder.write("seem/004c_0001.seem", "record");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stopDuring);
        phone.calls.clear();
        prompts.stopAfterReports.reset();
        phone.onCall = [&, call = std::string(row.stopDuring)](const std::string& made) {
            if (made.starts_with(call))
                prompts.stopAfterReports = 0;
        };
        RingFixSteps steps;
        EXPECT_EQ(RingFix(phone, prompts, texts, &steps), row.finished);
        EXPECT_TRUE(steps.seemWritten);
        EXPECT_EQ(steps.databasesDeleted, row.databasesDeleted);
        EXPECT_EQ(steps.stopped, !row.finished);
        EXPECT_EQ(phone.calls, Lines(kRingFixCalls.begin(), kRingFixCalls.begin() + row.calls));
        EXPECT_TRUE(prompts.take().empty());
    }
}
} // namespace
