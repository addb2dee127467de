// Cleaning and uploading with keeping on, over the recording fake phone: nothing goes without a
// safe copy or the user's leave, and a stop or a phone gone midway is told as it was.
#include "PhoneCopiesFixture.h"

#include "sweep/DeletionPass.h"
#include "tools/UploadFile.h"

#include "FakePhoneLink.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>

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
            if (!std::ranges::count(unreadable, path))
                (*phone.fetchable)[path] = std::string(path.rbegin(), path.rend());
    }
    // Those of paths the phone still holds.
    Lines stillHeld(Lines paths) const
    {
        std::erase_if(paths,
                      [&](const auto& path) { return !std::ranges::count(phone.files, path); });
        return paths;
    }
    void cleanByList(const Lines& paths)
    {
        session.clean = pathList(paths);
        CleanByList(session);
    }
    Lines kept() const { return phonePathsOf(keeper->store().entries()); }
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
    const std::string badName = "Invalid filename";
    const Row rows[] = {
        {"the phone refuses one read", false, {"/a/y"}, {"/a/y"},
         "error: 1 of 3 files could not be deleted:\n" +
             notKept("/a/y", "the phone did not give it (result -1)")},
        {"the trash cannot be written", true, {}, {"/a/x", "/a/y", "/a/z"},
         "error: 3 of 3 files could not be deleted:\n" + notKept("/a/x", badName) + "\n" +
             notKept("/a/y", badName) + "\n" + notKept("/a/z", badName)},
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

TEST_F(KeepingCleanTest, ALibraryWithoutFetchOnlyDeletes)
{
    emptyTrash(dir.file("trash"));
    cleanByList({"/a/x", "/a/y"});
    EXPECT_EQ(prompts.take(), Lines{kDeleted});
    EXPECT_EQ(phone.calls, (Lines{"File_Delete /a/x", "File_Delete /a/y"}));
    EXPECT_FALSE(dir.exists("trash"));
}

// Sizes the fake lists are the paths' lengths: with a limit of 8 bytes, the long names are too
// large to keep. A read hands its sizes to the keeper in parts: a too-large file in any part is
// then known without a fetch or a listing of the clean's own.
TEST_F(KeepingCleanTest, TooLargeFilesAreAskedAboutOnceBeforeTheFirstDelete)
{
    struct Row {
        const char* name;
        Answer answer;
        std::optional<std::size_t> readFirstWithFillers; // files the read lists between them
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
        {"Yes", Answer::Yes, std::nullopt, {}, {"/a/s"}, {question, kDeleted}},
        {"No", Answer::No, std::nullopt, {paths[0], paths[2]}, {"/a/s"},
         {question, "information: 2 files too large to keep were left on the phone.", kDeleted}},
        {"Cancel", Answer::Cancel, std::nullopt, paths, {}, {question}},
        {"Cancel after a read", Answer::Cancel, 0, paths, {}, {question}},
        {"Cancel after a read in parts", Answer::Cancel, 40000, paths, {}, {question}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        emptyTrash();
        keeper->settings.maxFileBytes = 8;
        Lines held = {paths[0], paths[1]};
        for (std::size_t i = 0; i < row.readFirstWithFillers.value_or(0); ++i)
            held.push_back("/f/" + std::to_string(i % 10000));
        held.push_back(paths[2]);
        holds(held);
        if (row.readFirstWithFillers) {
            ASSERT_EQ(ReadFromPhone(session), ReadOutcome::Read);
            prompts.take();
            phone.calls.clear();
        }
        prompts.answers.push_back(row.answer);
        cleanByList(paths);
        EXPECT_EQ(prompts.take(), row.shown);
        EXPECT_EQ(stillHeld(paths), row.left);
        EXPECT_EQ(kept(), row.kept);
        // A file too large is never fetched to find out.
        EXPECT_TRUE(phone.callsOf("File_Fetch /a/long").empty());
        if (row.answer == Answer::Cancel) {
            EXPECT_TRUE(phone.callsOf("File_Delete").empty());
        }
        if (row.readFirstWithFillers) {
            EXPECT_TRUE(phone.callsOf("File_Fetch").empty());
            EXPECT_TRUE(phone.callsOf("File_List").empty());
        }
    }
}

// The phone goes away at one call, or the user stops after two deletes: the box tells what was
// deleted, what was not and what is not known, the ring fix is not tried, and no copy is kept of
// a file that stayed.
TEST_F(KeepingCleanTest, ACleanCutShortIsToldAsItWas)
{
    struct Row {
        const char* name;
        void (*operation)(SweepSession&);
        bool keeping;
        std::string goneAt; // empty: the user stops instead
        std::size_t deleted;
        std::string shown;
        Lines kept;
    };
    const std::string stopped = "information: Stopped: 2 of 7 files deleted; the rest were left "
                                "untouched on the phone";
    const Row rows[] = {
        {"gone at a delete", CleanTicked, false, "File_Delete /p/4", 4,
         goneMidClean("4 files were deleted, 2 not deleted, and for 1"), {}},
        {"gone at a delete, keeping on", CleanTicked, true, "File_Delete /p/4", 4,
         goneMidClean("4 files were deleted, 2 not deleted, and for 1"),
         {"/p/0", "/p/1", "/p/2", "/p/3", "/p/4"}},
        {"gone at a fetch, keeping on", CleanTicked, true, "File_Fetch /p/2", 0,
         goneMidClean("0 files were deleted, 7 not deleted, and for 0"), {}},
        {"gone at the first delete", CleanTicked, false, "File_Delete /p/0", 0,
         goneMidClean("0 files were deleted, 6 not deleted, and for 1"), {}},
        {"Clean stopped", CleanTicked, false, "", 2, stopped + " and are still ticked.", {}},
        {"Clean stopped, keeping on", CleanTicked, true, "", 2, stopped + " and are still ticked.",
         {"/p/0", "/p/1"}},
        {"list clean stopped", CleanByList, false, "", 2, stopped + ".", {}},
        {"Clean Java stopped", CleanJava, true, "", 2, stopped + ".", {"/p/0", "/p/1"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        emptyTrash();
        holds(kSeven);
        if (!row.keeping)
            phone.fetchable.reset();
        phone.failFrom.reset();
        phone.failResult = -4;
        phone.onCall = [&](const std::string& call) {
            if (call == row.goneAt)
                phone.failFrom = phone.calls.size();
        };
        prompts.progressReports = 0;
        prompts.stopAfterReports =
            row.goneAt.empty() ? std::optional<std::size_t>(2) : std::nullopt;
        fillSweep(session.sweep, kSeven, {0, 1, 2, 3, 4, 5, 6});
        session.clean = pathList(kSeven);
        session.java = pathList(kSeven);
        row.operation(session);
        EXPECT_EQ(prompts.take(), Lines{row.shown});
        EXPECT_EQ(phone.files, Lines(kSeven.begin() + row.deleted, kSeven.end()));
        EXPECT_TRUE(phone.callsOf("Seem_Write").empty()) << "no ring fix on a clean cut short";
        EXPECT_EQ(kept(), row.kept);
        EXPECT_EQ(keeper->store().runs().size(), row.kept.empty() ? 0u : 1u) << "no empty run";
        if (!row.goneAt.empty())
            continue;
        EXPECT_EQ(phone.callsOf("File_Delete"), (Lines{"File_Delete /p/0", "File_Delete /p/1"}));
        for (std::size_t i = 0; i < kSeven.size(); ++i)
            EXPECT_TRUE(session.sweep.ticked(i)) << i;
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
    EXPECT_EQ(prompts.take(), Lines{kDeleted});
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
        return entries ? std::optional(phonePathsOf(*entries)) : std::nullopt;
    };
    EXPECT_EQ(listed(), (Lines{"/a/usb", "/a/old"}));
    EXPECT_EQ(listed(), std::nullopt) << "unchanged: not read again";
    ASSERT_EQ(store.removeCopies(run, {1}), 0);
    EXPECT_EQ(listed(), (Lines{"/a/old"}));
}

TEST_F(KeepingCleanTest, AnUploadThatCannotPutTheOldFileBackSaysWhereItIs)
{
    phone.fetchable = Copies{{"/a/WebSession", "old bytes"}};
    // The upload's File_Write fails, and so does the File_Create that would put the old file back.
    phone.failCall = 6;
    phone.onCall = [&](const std::string&) {
        if (phone.calls.size() == 7)
            phone.failCall = 8;
    };
    dir.write("orfiles/WebSession", "new");
    UploadWebSession(phone, prompts, messages, keeper.get());
    EXPECT_EQ(phone.callsOf("File_Create").size(), 2u);
    const Lines shown = prompts.take();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "error: Sending /a/WebSession to the phone failed: File_Write gave -1");
    const std::string head = "error: Sending /a/WebSession to the phone failed and the old file "
                             "could not be put back. Its copy is in " +
                             trash->path() + "/";
    ASSERT_EQ(shown[1].substr(0, head.size()), head);
    EXPECT_EQ(trash->read(shown[1].substr(head.size())), "old bytes");
}

} // namespace
