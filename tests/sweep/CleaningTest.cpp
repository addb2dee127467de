#include "SessionFixture.h"

#include "TempDir.h"
#include "sweep/Cleaning.h"
#include "sweep/ReadFromPhone.h"

using namespace zandrel;

namespace {
const std::string kSeemBytes = std::string("seem\0data\xFF", 10);

Lines concat(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Runs in a working folder that holds the ring fix's seem file.
class CleaningTest : public SessionTest {
protected:
    TempDir folder;
    WorkingDirectory inFolder{folder.path()};

    CleaningTest() { folder.write("seem/004c_0001.seem", kSeemBytes); }
};

TEST_F(CleaningTest, EmptySweepListOnlyWarns)
{
    CleanTicked(session);
    EXPECT_EQ(prompts.take(), (Lines{"warning: Not list"}));
    EXPECT_TRUE(phone.calls.empty());
}

TEST_F(CleaningTest, DeletesEveryTickedEntryInOrderThenRingFixThenReports)
{
    struct Row {
        Lines paths;
        std::vector<std::size_t> ticked;
        Lines deleted;
    };
    const std::vector<Row> rows = {
        {{"/a/0", "/a/1", "/a/2", "/a/3"}, {0, 2}, {"File_Delete /a/0", "File_Delete /a/2"}},
        {{"/a/only"}, {0}, {"File_Delete /a/only"}},
        {{"/a/0", "/a/1"}, {}, {}},
        {{"", "/a/1", "/a/0"}, {2, 0, 1}, {"File_Delete ", "File_Delete /a/1", "File_Delete /a/0"}},
    };
    for (const Row& row : rows) {
        phone.calls.clear();
        phone.seemData.clear();
        fillSweep(row.paths, row.ticked);
        CleanTicked(session);
        EXPECT_EQ(phone.calls, concat(row.deleted, kRingFixCalls));
        EXPECT_EQ(phone.seemData, (Lines{kSeemBytes}));
        EXPECT_EQ(prompts.take(), (Lines{"information: Deleted successfully"}));
        EXPECT_EQ(pathsOf(session.sweep), row.paths); // deleted paths stay listed, still ticked
        for (std::size_t i : row.ticked)
            EXPECT_TRUE(session.sweep.ticked(i));
    }
}

TEST_F(CleaningTest, SecondPressRepeatsTheSameCalls)
{
    fillSweep({"/a/0", "/a/1"}, {1});
    CleanTicked(session);
    CleanTicked(session);
    const Lines once = concat({"File_Delete /a/1"}, kRingFixCalls);
    EXPECT_EQ(phone.calls, concat(once, once));
    EXPECT_EQ(prompts.take(),
              (Lines{"information: Deleted successfully", "information: Deleted successfully"}));
}

TEST_F(CleaningTest, MessagesComeFromTheLanguageTexts)
{
    texts.set(MessageText::Deleted, "Geloescht");
    texts.set(MessageText::NotList, "Keine Liste");
    CleanTicked(session);
    fillSweep({"/a/0"}, {});
    CleanTicked(session);
    EXPECT_EQ(prompts.take(), (Lines{"warning: Keine Liste", "information: Geloescht"}));
}

TEST_F(CleaningTest, MissingSeemFileEndsTheCleanAfterTheDeletions)
{
    std::remove(folder.file("seem/004c_0001.seem").c_str());
    fillSweep({"/a/0", "/a/1"}, {0, 1});
    CleanTicked(session);
    EXPECT_EQ(phone.calls, (Lines{"File_Delete /a/0", "File_Delete /a/1"}));
    EXPECT_EQ(prompts.take(), (Lines{"error: File not found"}));
}

TEST_F(CleaningTest, RefusedSeemEndsTheCleanWithoutSuccess)
{
    phone.seemResult = -2;
    fillSweep({"/a/0"}, {0});
    CleanTicked(session);
    EXPECT_EQ(phone.calls, (Lines{"File_Delete /a/0", "Seem_Write 76 1 0 0"}));
    const Lines shown = prompts.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].starts_with("error: Seem_Write failed with result -2")) << shown[0];
}

TEST_F(CleaningTest, LongPassReportsProgressToTheEnd)
{
    Lines paths;
    std::vector<std::size_t> ticked;
    for (std::size_t i = 0; i < 10000; ++i) {
        paths.push_back("/p/" + std::to_string(i));
        if (i % 2 == 0)
            ticked.push_back(i);
    }
    fillSweep(paths, ticked);
    CleanTicked(session);
    EXPECT_EQ(phone.callsOf("File_Delete /p/").size(), 5000u);
    EXPECT_GE(prompts.progressReports, 2u);
    EXPECT_TRUE(prompts.progressEnded);
    EXPECT_EQ(prompts.take(), (Lines{"information: Deleted successfully"}));
}

TEST_F(CleaningTest, CleanJavaBeforeAnyReadAsksForARead)
{
    CleanJava(session);
    EXPECT_EQ(prompts.take(), (Lines{"warning: Please reed file list from phone"}));
    EXPECT_TRUE(phone.calls.empty());
}

TEST_F(CleaningTest, CleanJavaDeletesEveryJavaPathOfEveryReadSilently)
{
    phone.files = {"/a/mobile/kjava/a.jar", "/a/x.gif", "/a/mobile/kjava/b.jad"};
    ReadFromPhone(session);
    ReadFromPhone(session);
    prompts.captions.clear();
    phone.calls.clear();

    CleanJava(session);
    EXPECT_EQ(phone.calls,
              (Lines{"File_Delete /a/mobile/kjava/a.jar", "File_Delete /a/mobile/kjava/b.jad",
                     "File_Delete /a/mobile/kjava/a.jar", "File_Delete /a/mobile/kjava/b.jad"}));
    EXPECT_EQ(session.java.size(), 4u); // the JavaList keeps its entries
    EXPECT_TRUE(prompts.take().empty());
}
TEST_F(CleaningTest, CleanByListDeletesEveryLineThenReports)
{
    CleanByList(session);
    EXPECT_EQ(prompts.take(), (Lines{"warning: Not list"}));
    EXPECT_TRUE(phone.calls.empty());

    session.clean = pathList({"/a/first", "", "/a/third"});
    CleanByList(session);
    CleanByList(session); // the list stays, so a second press repeats the calls
    const Lines once = {"File_Delete /a/first", "File_Delete ", "File_Delete /a/third"};
    EXPECT_EQ(phone.calls, concat(once, once));
    EXPECT_EQ(prompts.take(),
              (Lines{"information: Deleted successfully", "information: Deleted successfully"}));
    EXPECT_EQ(linesOf(session.clean), (Lines{"/a/first", "", "/a/third"}));
}
} // namespace

namespace {
TEST_F(CleaningTest, LineWithNulByteNeverReachesTheLibrary)
{
    // Cut at its NUL, the line would name ring.mp3, which the list does not hold.
    phone.files = {"/a/mobile/audio/ring.mp3", "/a/x", "/a/y"};
    const std::string withNul("/a/mobile/audio/ring.mp3\0.keep", 30);
    session.clean = pathList({"/a/x", withNul, std::string("\0", 1), "/a/y"});
    CleanByList(session);
    EXPECT_EQ(phone.calls, (Lines{"File_Delete /a/x", "File_Delete /a/y"}));
    EXPECT_EQ(phone.files, (Lines{"/a/mobile/audio/ring.mp3"}));
    EXPECT_EQ(prompts.take(), (Lines{"error: 2 of 4 files could not be deleted:\n"
                                     "/a/mobile/audio/ring.mp3<NUL>.keep (holds a NUL byte)\n"
                                     "<NUL> (holds a NUL byte)"}));
}

// Deletes that fail while the phone stays are told instead of success; a phone pulled out
// midway ends the pass at once, told in one box, with no ring fix tried on it.
TEST_F(CleaningTest, FailedDeletesAreCountedAndNamedInsteadOfSuccess)
{
    struct Row {
        const char* name;
        void (*operation)(SweepSession&);
        std::size_t failFrom; // call number; 0: none fails
        std::size_t deletesTried;
        Lines shown;
    };
    const Lines seven = {"/p/0", "/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6"};
    const std::string gone = "error: The phone went away during the deletion: ";
    const std::string unknown = " it is unknown, as the phone went away before answering.";
    const Row rows[] = {
        {"clean, all deleted", CleanTicked, 0, 7, {"information: Deleted successfully"}},
        {"clean, pulled out at the 6th",
         CleanTicked,
         6,
         6,
         {gone + "5 files were deleted, 1 not deleted, and for 1" + unknown}},
        {"list clean, pulled out at once",
         CleanByList,
         1,
         1,
         {gone + "0 files were deleted, 6 not deleted, and for 1" + unknown}},
        {"list clean, the last one gone",
         CleanByList,
         7,
         7,
         {gone + "6 files were deleted, 0 not deleted, and for 1" + unknown}},
        {"Clean Java tells a phone gone too",
         CleanJava,
         2,
         2,
         {gone + "1 file was deleted, 5 not deleted, and for 1" + unknown}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        phone.calls.clear();
        phone.failFrom = row.failFrom ? std::optional<std::size_t>(row.failFrom) : std::nullopt;
        phone.failResult = -4;
        fillSweep(seven, {0, 1, 2, 3, 4, 5, 6});
        session.clean = pathList(seven);
        session.java = pathList(seven);
        row.operation(session);
        EXPECT_EQ(phone.callsOf("File_Delete /p/").size(), row.deletesTried);
        EXPECT_EQ(prompts.take(), row.shown);
        if (row.failFrom) {
            EXPECT_TRUE(phone.callsOf("Seem_Write").empty());
        }
    }
}

TEST_F(CleaningTest, FailedDeletesAreToldInTheLanguageFileText)
{
    texts.set(MessageText::NotDeleted, "Nicht geloescht: %1 von %2");
    texts.set(MessageText::DeleteResult, "%1 -> %2");
    phone.failCall = 2;
    session.clean = pathList({"/a/x", "/a/y", "/a/z"});
    CleanByList(session);
    // Refused with the phone still there, the pass goes on.
    EXPECT_EQ(phone.calls,
              (Lines{"File_Delete /a/x", "File_Delete /a/y", "P2K_GetStatus", "File_Delete /a/z"}));
    EXPECT_EQ(prompts.take(), (Lines{"error: Nicht geloescht: 1 von 3\n/a/y -> -1"}));
}
} // namespace
