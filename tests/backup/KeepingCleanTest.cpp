// Cleaning with keeping on, over the recording fake phone: nothing goes without a safe copy or
// the user's leave, and a stop or a phone gone midway is told as it was.
#include "backup/TrashKeeper.h"
#include "sweep/Cleaning.h"
#include "sweep/DeletionPass.h"
#include "sweep/ReadFromPhone.h"

#include "FakePhoneLink.h"
#include "FakePrompts.h"
#include "TempDir.h"
#include "TestLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>

using namespace zandrel;

namespace {
using Answer = Prompts::Answer;

class KeepingCleanTest : public testing::Test {
protected:
    TempDir dir;
    WorkingDirectory inDir{dir.path()};
    FakePhoneLink phone;
    FakePrompts prompts;
    MessageTexts messages;
    BackupTexts texts;
    SweepSession session{phone, prompts, messages, {}, {}, {}};
    std::unique_ptr<TempDir> trash;
    std::unique_ptr<TrashKeeper> keeper;

    KeepingCleanTest()
    {
        dir.write("seem/004c_0001.seem", "seem");
        emptyTrash();
    }
    // A keeper over a trash of its own, for each row.
    void emptyTrash(const std::string& folder = {})
    {
        trash = std::make_unique<TempDir>();
        keeper = std::make_unique<TrashKeeper>(phone, texts,
                                               TrashStore(folder.empty() ? trash->path() : folder));
        keeper->now = [] { return std::int64_t(1800000000); };
        session.keeper = keeper.get();
        phone.calls.clear();
    }

    // The phone holds these paths, each fetched as its own name reversed; the fake lists each
    // with its path's length as its size.
    void holds(const Lines& paths, const Lines& unreadable = {})
    {
        phone.files = paths;
        phone.fetchable.emplace();
        for (const std::string& path : paths)
            if (std::find(unreadable.begin(), unreadable.end(), path) == unreadable.end())
                (*phone.fetchable)[path] = std::string(path.rbegin(), path.rend());
    }
    void cleanByList(const Lines& paths)
    {
        session.clean = pathList(paths);
        CleanByList(session);
    }
    Lines kept() const
    {
        Lines paths;
        for (const TrashEntry& entry : keeper->store().entries())
            paths.push_back(entry.phonePath);
        return paths;
    }
};

const Lines kSeven = {"/p/0", "/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6"};

TEST_F(KeepingCleanTest, AFileWhoseCopyFailsStaysOnThePhoneAndIsNamed)
{
    struct Row {
        const char* name;
        bool trashIsAFile;
        Lines unreadable;
        Lines left;
        std::string shown;
    };
    const std::string unkept = "not deleted, as no copy of it could be kept: ";
    const Row rows[] = {
        {"the phone refuses one read", false, {"/a/y"}, {"/a/y"},
         "error: 1 of 3 files could not be deleted:\n/a/y (" + unkept +
             "the phone did not give it (result -1))"},
        {"the trash cannot be written", true, {}, {"/a/x", "/a/y", "/a/z"},
         "error: 3 of 3 files could not be deleted:\n/a/x (" + unkept +
             "Invalid filename)\n/a/y (" + unkept + "Invalid filename)\n/a/z (" + unkept +
             "Invalid filename)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.trashIsAFile)
            dir.write("trash", "in the way");
        emptyTrash(row.trashIsAFile ? dir.file("trash") : "");
        holds({"/a/x", "/a/y", "/a/z"}, row.unreadable);
        cleanByList({"/a/x", "/a/y", "/a/z"});
        EXPECT_EQ(phone.files, row.left);
        EXPECT_EQ(prompts.take(), Lines{row.shown});
        for (const std::string& path : row.left)
            EXPECT_TRUE(phone.callsOf("File_Delete " + path).empty()) << path;
    }
}

// Sizes the fake lists are the paths' lengths: with a limit of 8 bytes, the long names are too
// large to keep.
TEST_F(KeepingCleanTest, TooLargeFilesAreAskedAboutOnceBeforeTheFirstDelete)
{
    struct Row {
        Answer answer;
        Lines left;
        Lines kept;
        Lines shown;
    };
    const std::string question =
        "question: 2 of the 3 files to delete are too large to keep in Deleted files (1 KB in "
        "all). Delete them for good (Yes), leave them on the phone and delete the rest (No), "
        "or delete nothing (Cancel)?";
    const Lines paths = {"/a/long-name.mp3", "/a/s", "/a/other-long.3gp"};
    const Row rows[] = {
        {Answer::Yes, {}, {"/a/s"}, {question, "information: Deleted successfully"}},
        {Answer::No, {"/a/long-name.mp3", "/a/other-long.3gp"}, {"/a/s"},
         {question, "information: 2 files too large to keep were left on the phone.",
          "information: Deleted successfully"}},
        {Answer::Cancel, paths, {}, {question}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.answer));
        emptyTrash();
        keeper->settings.maxFileBytes = 8;
        holds(paths);
        prompts.answers.push_back(row.answer);
        cleanByList(paths);
        EXPECT_EQ(prompts.take(), row.shown);
        EXPECT_EQ(phone.files, row.left);
        EXPECT_EQ(kept(), row.kept);
        // A file too large is never fetched to find out.
        EXPECT_TRUE(phone.callsOf("File_Fetch /a/long").empty());
        if (row.answer == Answer::Cancel) {
            EXPECT_TRUE(phone.callsOf("File_Delete").empty());
        }
    }
}

// A read hands its sizes to the keeper in parts: a too-large file in any part is known without
// a fetch or a listing of the clean's own.
TEST_F(KeepingCleanTest, EveryPartOfAReadTellsItsSizes)
{
    const Lines large = {"/a/long-name.mp3", "/a/other-long.3gp"};
    for (const std::size_t fillers : {std::size_t(0), std::size_t(40000)}) {
        SCOPED_TRACE(fillers);
        emptyTrash();
        keeper->settings.maxFileBytes = 8;
        Lines paths = {large[0], "/a/s"};
        for (std::size_t i = 0; i < fillers; ++i)
            paths.push_back("/f/" + std::to_string(i % 10000));
        paths.push_back(large[1]);
        holds(paths);
        ASSERT_EQ(ReadFromPhone(session), ReadOutcome::Read);
        prompts.take();
        phone.calls.clear();
        prompts.answers.push_back(Answer::Cancel);
        cleanByList({large[0], "/a/s", large[1]});
        const Lines shown = prompts.take();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].rfind("question: 2 of the 3 files to delete are too large", 0), 0u)
            << shown[0];
        EXPECT_TRUE(phone.callsOf("File_Fetch").empty());
        EXPECT_TRUE(phone.callsOf("File_List").empty());
    }
}

// The phone goes away at one call: the box tells what was deleted, what was not and what is not
// known, the ring fix is not tried, and no copy is kept of a file that stayed.
TEST_F(KeepingCleanTest, APhoneGoneMidCleanIsToldInOneBoxWithThreeCounts)
{
    struct Row {
        const char* name;
        bool keeping;
        std::string goneAt;
        std::string counts;
        Lines kept;
    };
    const Row rows[] = {
        {"keeping off, at a delete", false, "File_Delete /p/4",
         "4 files were deleted, 2 not deleted, and for 1", {}},
        {"keeping on, at a delete", true, "File_Delete /p/4",
         "4 files were deleted, 2 not deleted, and for 1", {"/p/0", "/p/1", "/p/2", "/p/3", "/p/4"}},
        {"keeping on, at a fetch", true, "File_Fetch /p/2",
         "0 files were deleted, 7 not deleted, and for 0", {}},
        {"keeping off, at the first delete", false, "File_Delete /p/0",
         "0 files were deleted, 6 not deleted, and for 1", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        emptyTrash();
        phone.failFrom.reset();
        phone.failResult = -4;
        holds(kSeven);
        if (!row.keeping)
            phone.fetchable.reset();
        phone.onCall = [&](const std::string& call) {
            if (call == row.goneAt)
                phone.failFrom = phone.calls.size();
        };
        fillSweep(session.sweep, kSeven, {0, 1, 2, 3, 4, 5, 6});
        CleanTicked(session);
        EXPECT_EQ(prompts.take(), Lines{"error: The phone went away during the deletion: " +
                                        row.counts +
                                        " it is unknown, as the phone went away before "
                                        "answering."});
        EXPECT_TRUE(phone.callsOf("Seem_Write").empty()) << "no ring fix on a phone gone";
        EXPECT_EQ(kept(), row.kept);
        EXPECT_EQ(keeper->store().runs().size(), row.kept.empty() ? 0u : 1u) << "no empty run";
    }
}

TEST_F(KeepingCleanTest, StopEndsTheCleanBetweenDeletes)
{
    struct Row {
        const char* name;
        void (*operation)(SweepSession&);
        bool keeping;
        std::string shown;
    };
    const std::string rest = "; the rest were left untouched on the phone";
    const Row rows[] = {
        {"Clean", CleanTicked, false,
         "information: Stopped: 2 of 7 files deleted" + rest + " and are still ticked."},
        {"Clean, keeping on", CleanTicked, true,
         "information: Stopped: 2 of 7 files deleted" + rest + " and are still ticked."},
        {"list clean", CleanByList, false, "information: Stopped: 2 of 7 files deleted" + rest + "."},
        {"Clean Java", CleanJava, true, "information: Stopped: 2 of 7 files deleted" + rest + "."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        emptyTrash();
        holds(kSeven);
        if (!row.keeping)
            phone.fetchable.reset();
        prompts.progressReports = 0;
        prompts.stopAfterReports = 2;
        fillSweep(session.sweep, kSeven, {0, 1, 2, 3, 4, 5, 6});
        session.clean = pathList(kSeven);
        session.java = pathList(kSeven);
        row.operation(session);
        EXPECT_EQ(prompts.take(), Lines{row.shown});
        EXPECT_EQ(phone.callsOf("File_Delete"), (Lines{"File_Delete /p/0", "File_Delete /p/1"}));
        EXPECT_EQ(phone.files, Lines(kSeven.begin() + 2, kSeven.end()));
        EXPECT_TRUE(phone.callsOf("Seem_Write").empty());
        EXPECT_EQ(kept(), (row.keeping ? Lines{"/p/0", "/p/1"} : Lines{}));
        for (std::size_t i = 0; i < kSeven.size(); ++i)
            EXPECT_TRUE(session.sweep.ticked(i));
    }
}

// Copies are made a batch at a time, and each batch's files are deleted after it, in list order.
TEST_F(KeepingCleanTest, CopiesComeInBatchesBeforeTheirDeletes)
{
    Lines paths;
    keeper->batchLimit = 32;
    for (std::size_t i = 0; i < 70; ++i)
        paths.push_back("/b/" + std::to_string(i));
    holds(paths);
    cleanByList(paths);
    EXPECT_EQ(prompts.take(), Lines{"information: Deleted successfully"});
    EXPECT_EQ(kept(), paths);
    std::size_t fetched = 0, deleted = 0, firstBatch = 0;
    for (const std::string& call : phone.calls) {
        if (call == "File_Fetch " + paths[std::min(fetched, paths.size() - 1)])
            ++fetched;
        else if (call == "File_Delete " + paths[deleted] && deleted++ == 0)
            firstBatch = fetched;
        EXPECT_LE(deleted, fetched) << "a file goes only once its copy is made";
        EXPECT_LE(fetched - deleted, keeper->batchLimit);
    }
    EXPECT_EQ(deleted, paths.size()) << "all deleted, in list order";
    EXPECT_EQ(fetched, paths.size()) << "all fetched, in list order";
    EXPECT_GT(firstBatch, 1u) << "a batch holds more than one file";
}

// The Deleted files window lists the copies of the phone in use (and those that do not say),
// and reads the trash again only once it has changed.
TEST_F(KeepingCleanTest, TheWindowListsThisPhonesCopiesAndRereadsOnlyAChangedTrash)
{
    keeper->phoneKind = "usb";
    const TrashStore& store = keeper->store();
    const std::string run = store.newRun(1800000000);
    struct Row {
        const char* kind;
        const char* path;
    };
    std::uint32_t number = 0;
    for (const Row row : {Row{"usb", "/a/usb"}, Row{"emulator", "/a/demo"}, Row{"", "/a/old"}}) {
        std::ofstream(store.partName(run, ++number)) << "x";
        ASSERT_EQ(store.add(TrashEntry{run, number, 1800000000, 1, row.path, row.kind}), 0);
    }
    const auto listed = [&]() -> std::optional<Lines> {
        const std::optional<std::vector<TrashEntry>> entries = keeper->entriesIfChanged();
        if (!entries)
            return std::nullopt;
        Lines paths;
        for (const TrashEntry& entry : *entries)
            paths.push_back(entry.phonePath);
        return paths;
    };
    EXPECT_EQ(listed(), (Lines{"/a/usb", "/a/old"}));
    EXPECT_EQ(listed(), std::nullopt) << "unchanged: not read again";
    ASSERT_EQ(store.removeCopies(run, {1}), 0);
    EXPECT_EQ(listed(), (Lines{"/a/old"}));
}

} // namespace
