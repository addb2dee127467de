// Putting files back never destroys what the phone holds, against the emulator and the fake.
#include "PhoneCopiesFixture.h"

#include "backup/PhoneCopies.h"

#include "FakePhoneFiles.h"

#include <algorithm>

using namespace zandrel;

namespace {

class RestoreTest : public PhoneCopiesTest {
protected:
    // Written as an upload writes it, so the emulator holds it as its own.
    void putOnPhone(const std::string& path, const std::string& bytes)
    {
        ASSERT_EQ(sendAndVerify(link, path, bytes), 0) << path;
    }

    // What the trash holds of path: each copy's bytes, and whether a restore made it.
    using Kept = std::vector<std::pair<std::string, bool>>;
    Kept trashOf(const std::string& path) const
    {
        Kept kept;
        for (const TrashEntry& entry : keeper.store().entries())
            if (entry.phonePath == path)
                kept.emplace_back(copyOf(entry), entry.replacedByRestore);
        std::sort(kept.begin(), kept.end());
        return kept;
    }
};

TEST_F(RestoreTest, WhatThePhoneHoldsIsKeptWhenItDiffers)
{
    struct Row {
        const char* path;
        std::optional<std::string> phoneHolds; // at restore time
        bool kept;
    };
    const std::string copy = bytesOf(700, 3);
    const Row rows[] = {
        {"/a/nothing-there", std::nullopt, false},
        {"/a/nothing-either", std::nullopt, false},
        {"/a/the-same", copy, false},
        {"/a/a-new-photo", "a new photo under the old name", true},
    };
    Copies files;
    Lines paths;
    for (const Row& row : rows) {
        files[row.path] = copy;
        paths.push_back(row.path);
    }
    startPhone(files);
    cleanByList(paths);
    EXPECT_EQ(prompts.take(), Lines{kDeleted});
    for (const Row& row : rows)
        if (row.phoneHolds)
            putOnPhone(row.path, *row.phoneHolds);

    clock += 60;
    const std::size_t journalBefore = dir.read("phone/journal.log").size();
    RestoreFromTrash(place(), keeper.store().entries());
    // One listing tells every path with nothing there, however many there are.
    const std::string journal = dir.read("phone/journal.log").substr(journalBefore);
    EXPECT_EQ(journal.find("File_Count"), journal.rfind("File_Count")) << journal;
    EXPECT_EQ(prompts.take(),
              Lines{"information: 4 files put back on the phone.\n"
                    "1 file the phone held at those paths went to Deleted files first."});
    for (const Row& row : rows) {
        EXPECT_EQ(phoneFile(row.path), copy) << row.path;
        EXPECT_EQ(trashOf(row.path), (row.kept ? Kept{{*row.phoneHolds, true}} : Kept{}))
            << row.path;
    }
    const std::vector<TrashEntry> left = keeper.store().entries();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].phoneKind, "emulator");
    EXPECT_EQ(left[0].time, clock);
}

TEST_F(RestoreTest, SeveralCopiesOfOnePathGoBackOldestFirst)
{
    startPhone({{"/a/x", "first"}});
    cleanByList({"/a/x"});
    putOnPhone("/a/x", "second");
    clock += 10;
    cleanByList({"/a/x"});
    putOnPhone("/a/x", "third");
    EXPECT_EQ(prompts.take(), Lines(2, kDeleted));
    std::vector<TrashEntry> entries = keeper.store().entries();
    ASSERT_EQ(entries.size(), 2u);
    // Chosen newest first: the order chosen does not decide.
    std::reverse(entries.begin(), entries.end());

    clock += 10;
    RestoreFromTrash(place(), entries);
    EXPECT_EQ(prompts.take(),
              Lines{"information: 2 files put back on the phone.\n"
                    "2 files the phone held at those paths went to Deleted files first."});
    EXPECT_EQ(phoneFile("/a/x"), "second");
    EXPECT_EQ(trashOf("/a/x"), (Kept{{"first", true}, {"third", true}}));
}

// A stop between files: the file at work finishes, the rest stay in the trash.
TEST_F(RestoreTest, AStopLeavesTheRestUntouched)
{
    startPhone({{"/a/1", "one"}, {"/a/2", "two"}, {"/a/3", "three"}});
    cleanByList({"/a/1", "/a/2", "/a/3"});
    prompts.take();
    prompts.stopAfterReports = prompts.progressReports + 1;
    RestoreFromTrash(place(), keeper.store().entries());
    EXPECT_EQ(prompts.take(), Lines{"warning: 1 file put back on the phone.\n"
                                    "Stopped: 2 files were not put back."});
    EXPECT_EQ(phoneFile("/a/1"), "one");
    EXPECT_FALSE(onPhone("/a/2"));
    EXPECT_EQ(keeper.store().entries().size(), 2u);
}

// The fake phone, which can refuse a read or a write, or go away in the middle of one.
TEST(RestoreOverAFakePhone, AWriteCutShortLeavesThePhoneAsItWasOrSaysWhatItHolds)
{
    enum class Fault { Unreadable, Refused, Unplugged, Garbled };
    struct Row {
        std::optional<std::string> held;
        Fault fault;
        std::string why; // after "/a/x: "
        std::optional<std::string> phoneAfter;
        long replacedInTrash;
    };
    const std::string kept = "; what it held there is in Deleted files\n1 file the phone held at "
                             "those paths went to Deleted files first.";
    const Row rows[] = {
        // A phone that cannot say what it holds at a path is not written over.
        {"old", Fault::Unreadable,
         "what the phone holds at that path could not be read (result -1); nothing was written",
         "old", 0},
        {"old", Fault::Refused,
         "the phone did not take it (result -1); what it held there was put back", "old", 0},
        {std::nullopt, Fault::Refused,
         "the phone did not take it (result -1); nothing is left at that path", std::nullopt, 0},
        {"old", Fault::Unplugged,
         "the phone did not take it (result -1); what it now holds there cannot be asked" + kept,
         "old", 1},
        {"old", Fault::Garbled,
         "the phone's copy differs from what was sent; it now holds 2 bytes there, neither the "
         "copy nor what it held" +
             kept,
         "ol", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TempDir dir;
        FakePhoneLink phone;
        FakePrompts prompts;
        BackupTexts texts;
        TrashStore trash(dir.file("trash"));
        const std::string run = trash.newRun(1000);
        dir.write("trash/" + run + "/.1.part", "copy");
        ASSERT_EQ(trash.add({run, 1, 1000, 4, "/a/x", "fake", false}), 0);
        if (row.held)
            phone.fetchable = Copies{{"/a/x", *row.held}};
        int writes = 0;
        keepFilesLikeAPhone(phone, [&](const std::string& call) {
            const bool firstWrite = call.starts_with("File_Write") && writes++ == 0;
            if ((row.fault == Fault::Refused && firstWrite) ||
                (row.fault == Fault::Unreadable && call.starts_with("File_Fetch")))
                phone.failCall = phone.calls.size();
            if (row.fault == Fault::Unplugged && firstWrite) {
                phone.status = 0;
                phone.failFrom = phone.calls.size();
            }
            // A phone that keeps only the first two bytes of whatever it is sent.
            if (call == "File_Close" && row.fault == Fault::Garbled)
                phone.writtenBuffers.back().erase(2, std::string::npos).push_back('\0');
        });
        RestoreFromTrash({phone, prompts, texts, trash, "fake", [] { return 2000; }, {}},
                         trash.entries());
        EXPECT_EQ(
            prompts.take(),
            Lines{"warning: 1 of 1 file could not be put back on the phone:\n/a/x: " + row.why});
        const auto& files = *phone.fetchable;
        EXPECT_EQ(files.count("/a/x") ? std::optional(files.at("/a/x")) : std::nullopt,
                  row.phoneAfter);
        // The copy that did not go back stays, beside what a restore kept.
        const std::vector<TrashEntry> left = trash.entries();
        const long replaced = std::count_if(
            left.begin(), left.end(), [](const TrashEntry& e) { return e.replacedByRestore; });
        EXPECT_EQ(replaced, row.replacedInTrash);
        EXPECT_EQ(left.size() - replaced, 1u);
    }
}

} // namespace
