// Keeping deleted files, backing up and putting back, against the emulator's libp2kapi.so.
#include "PhoneCopiesFixture.h"

#include "tools/UploadFile.h"

using namespace zandrel;

namespace {

TEST_F(PhoneCopiesTest, CleanKeepsExactCopiesWithinTheLimitsAndStillDeletesTheRest)
{
    keeper.settings.maxFileBytes = 2048;
    keeper.settings.maxTotalBytes = 4096;
    struct Row {
        std::string path;
        std::size_t size;
        bool kept;
    };
    const Row rows[] = {
        {"/a/small", 100, true},  {"/a/edge", 2048, true},  // exactly the limit per file
        {"/a/big", 2049, false},                            // one byte past it
        {kCyrillic, 1000, true},  {"/a/last", 1500, false}, // would pass the total
        {"/a/missing", 0, false},                           // not on the phone at all
        {"/a/empty", 0, true},
    };
    Copies files, kept;
    Lines paths;
    for (const Row& row : rows) {
        const std::string bytes = bytesOf(row.size, static_cast<char>(row.path.size()));
        if (row.path != "/a/missing")
            files[row.path] = bytes;
        if (row.kept)
            kept[row.path] = bytes;
        paths.push_back(row.path);
    }
    startPhone(files);
    // Those too large to keep, by the limit per file or in all, go for good with the user's
    // leave; the one that cannot be read stays (it is not there to lose).
    prompts.answers.push_back(Prompts::Answer::Yes);
    cleanByList(paths);

    EXPECT_EQ(prompts.take(),
              (Lines{"question: 2 of the 7 files to delete are too large to keep in Deleted files "
                     "(4 KB in all). Delete them for good (Yes), leave them on the phone and "
                     "delete the rest (No), or delete nothing (Cancel)?",
                     "error: 1 of 7 files could not be deleted:\n" +
                         notKept("/a/missing", "the phone did not give it (result -6)")}));
    EXPECT_EQ(trash(), kept) << "exact copies of those within the limits";
    for (const Row& row : rows)
        EXPECT_FALSE(onPhone(row.path)) << row.path << " is deleted, kept or not";
}

// The sizes a read has just listed keep Clean from listing the phone again, and from fetching a
// file it knows is too large.
TEST_F(PhoneCopiesTest, TheLastReadsSizesSpareAListing)
{
    keeper.settings.maxFileBytes = 2048;
    startPhone({{"/a/small", bytesOf(100, 1)}, {"/a/large", bytesOf(3000, 2)}});
    ReadFromPhone(session);
    const std::size_t journalAtRead = dir.read("phone/journal.log").size();
    prompts.answers.push_back(Prompts::Answer::Yes);
    cleanByList({"/a/small", "/a/large"});
    const std::string sinceRead = dir.read("phone/journal.log").substr(journalAtRead);
    for (const char* call : {"File_Count", "File_List", "File_Fetch(\"/a/large\""})
        EXPECT_EQ(sinceRead.find(call), std::string::npos) << call << " in\n" << sinceRead;
    EXPECT_EQ(trash(), (Copies{{"/a/small", bytesOf(100, 1)}}));
    EXPECT_EQ(prompts.take(),
              (Lines{"question: 1 of the 2 files to delete is too large to keep in Deleted files "
                     "(3 KB in all). Delete it for good (Yes), leave it on the phone and delete "
                     "the rest (No), or delete nothing (Cancel)?",
                     kDeleted}));
}

TEST_F(PhoneCopiesTest, TheOldestRunsMakeRoomAndGoAfterThirtyDays)
{
    keeper.settings.maxTotalBytes = 5000;
    startPhone({{"/a/one", bytesOf(3000, 1)},
                {"/a/two", bytesOf(1000, 2)},
                {"/a/three", bytesOf(3000, 3)}});
    cleanByList({"/a/one"});
    clock += 10;
    cleanByList({"/a/two"});
    clock += 10;
    cleanByList({"/a/three"}); // one's run goes; two's stays
    char upTo[32];
    const std::time_t oneDeleted = clock - 20;
    std::strftime(upTo, sizeof upTo, "%Y-%m-%d %H:%M", std::localtime(&oneDeleted));
    EXPECT_EQ(prompts.take(),
              (Lines{kDeleted, kDeleted,
                     std::string("information: To make room, 1 older copy in Deleted files, "
                                 "deleted up to ") +
                         upTo + ", was removed for good.",
                     kDeleted}));
    EXPECT_EQ(trash(), (Copies{{"/a/two", bytesOf(1000, 2)}, {"/a/three", bytesOf(3000, 3)}}));

    struct Row {
        std::int64_t daysLater;
        std::size_t left;
    };
    // The newest runs never go by age alone: a clock gone ahead would empty the trash.
    for (const Row row : {Row{29, 2}, Row{31, 2}}) {
        keeper.store().removeOld(clock + row.daysLater * kDay, KeepSettings::kKeepDays * kDay);
        EXPECT_EQ(keeper.store().entries().size(), row.left) << row.daysLater << " days later";
    }
    // A run 31 days newer makes them old.
    clock += 31 * kDay;
    startPhone({{"/a/four", bytesOf(10, 4)}});
    cleanByList({"/a/four"});
    EXPECT_EQ(prompts.take(), Lines{kDeleted});
    keeper.store().removeOld(clock + 1, KeepSettings::kKeepDays * kDay);
    EXPECT_EQ(trash(), (Copies{{"/a/four", bytesOf(10, 4)}}));
}

TEST_F(PhoneCopiesTest, RestorePutsTheSameBytesBackAndOnlyThenEmptiesTheTrash)
{
    const Copies files = {{"/a/mobile/audio/x.mp3", bytesOf(900, 5)}, {kCyrillic, bytesOf(10, 6)}};
    startPhone(files);
    cleanByList({"/a/mobile/audio/x.mp3", kCyrillic});
    EXPECT_EQ(prompts.take(), Lines{kDeleted});
    const std::vector<TrashEntry> entries = keeper.store().entries();
    ASSERT_EQ(entries.size(), 2u);

    unplug(true);
    RestoreFromTrash(place(), entries);
    EXPECT_EQ(prompts.take(), Lines{"warning: " + texts.get(BackupText::NoPhone)});
    EXPECT_EQ(keeper.store().entries().size(), 2u);

    unplug(false);
    RestoreFromTrash(place(), entries);
    EXPECT_EQ(prompts.take(), Lines{"information: 2 files put back on the phone."});
    for (const auto& [path, bytes] : files)
        EXPECT_EQ(phoneFile(path), bytes) << path;
    EXPECT_TRUE(keeper.store().entries().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("trash/") + entries[0].run));
}

TEST_F(PhoneCopiesTest, ABackupsManifestMatchesThePhone)
{
    const Copies files = {{"/a/mobile/audio/x.mp3", bytesOf(5000, 1)},
                          {kCyrillic, bytesOf(3, 2)},
                          {"/a/mobile/kjava/game.jar", bytesOf(700, 3)},
                          {"/a/empty", ""},
                          {"/a/back\\slash", bytesOf(20, 4)}};
    startPhone(files);
    ReadFromPhone(session);
    ReadFromPhone(session); // the Java file stands twice in the JavaList, once in the backup
    BackupLastRead(session, texts, dir.file("work"));
    const Lines shown = prompts.take();
    ASSERT_EQ(shown.size(), 1u);
    // The box names the backup by its full path.
    const std::string folder = onlyBackup();
    EXPECT_EQ(shown[0], "information: Backup made in " + folder + ": 5 files copied, 0 failed.");

    const std::vector<ManifestEntry> manifest = manifestOf(folder);
    std::map<std::string, ManifestEntry> byPath;
    for (const ManifestEntry& entry : manifest)
        byPath[entry.phonePath] = entry;
    EXPECT_EQ(manifest.size(), files.size());
    for (const auto& [path, bytes] : files) {
        ASSERT_EQ(byPath.count(path), 1u) << path;
        EXPECT_EQ(byPath[path].size, bytes.size()) << path;
        EXPECT_EQ(byPath[path].sha256, sha256Hex(phoneFile(path))) << path;
        EXPECT_EQ(dir.read(inBackup(folder, hostNameOf(path))), bytes);
    }

    // Put back: a deleted file returns whole; a copy changed since is refused.
    ASSERT_EQ(link.fileDelete("/a/mobile/audio/x.mp3"), 0);
    dir.write(inBackup(folder, hostNameOf(kCyrillic)), "chg");
    BackupFolder backup;
    ASSERT_EQ(backup.open(folder), 0);
    RestoreFromBackup(place(), backup, {byPath["/a/mobile/audio/x.mp3"], byPath[kCyrillic]});
    EXPECT_EQ(prompts.take(), Lines{"warning: 1 of 2 files could not be put back on the phone:\n" +
                                    kCyrillic + ": " + texts.get(BackupText::ChecksumDiffers)});
    EXPECT_EQ(phoneFile("/a/mobile/audio/x.mp3"), files.at("/a/mobile/audio/x.mp3"));
    EXPECT_EQ(phoneFile(kCyrillic), files.at(kCyrillic));
}

// A manifest as earlier versions wrote it, checksums and all: its files still go back.
TEST_F(PhoneCopiesTest, AnEarlierVersionsBackupStillRestores)
{
    startPhone({{"/a/other", "x"}});
    const std::string folder = dir.file("work/backup/20261207-120000");
    dir.write("work/backup/20261207-120000/manifest.tsv",
              "# phone path\tsize\tsha256\n"
              "/a/hello.txt\t6\t5891b5b522d5df086d0ff0b110fbd9d21bb4fc7163af34d08286a2e846f6be03\n"
              "/a/\\xCF\\xF0\\xE8.txt\t3\t"
              "8b28a3a36e3be1667818aaf9a293499a7dafdefb6a3488a1371b4243833e7241\n");
    BackupFolder backup;
    ASSERT_EQ(backup.open(folder), 0);
    ParsedManifest manifest;
    ASSERT_EQ(backup.readManifest(manifest), 0);
    ASSERT_EQ(manifest.entries.size(), 2u);
    EXPECT_EQ(manifest.badLines, 0u);
    const Copies files = {{"/a/hello.txt", "hello\n"}, {"/a/\xCF\xF0\xE8.txt", "\xCF\xF0\xE8"}};
    for (const ManifestEntry& entry : manifest.entries)
        dir.write(inBackup(folder, entry.hostName), files.at(entry.phonePath));
    RestoreFromBackup(place(), backup, manifest.entries);
    EXPECT_EQ(prompts.take(), Lines{"information: 2 files put back on the phone."});
    for (const auto& [path, bytes] : files)
        EXPECT_EQ(phoneFile(path), bytes) << path;
}

TEST_F(PhoneCopiesTest, ACancelledBackupSaysHowFarItGot)
{
    startPhone({{"/a/1", "1"}, {"/a/2", "2"}, {"/a/3", "3"}, {"/a/4", "4"}});
    ReadFromPhone(session);
    prompts.cancelAt = 2;
    BackupLastRead(session, texts, dir.file("work"));
    const Lines shown = prompts.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0],
              "information: Backup cancelled: 2 of 4 files copied to " + onlyBackup() + ".");
    EXPECT_TRUE(prompts.progressEnded);
    EXPECT_EQ(manifestOf(onlyBackup()).size(), 2u);
}

TEST_F(PhoneCopiesTest, AFailedUploadPutsTheOldFileBack)
{
    // 600 bytes free once the old file is gone: the new 900 do not fit.
    const std::string old = bytesOf(300, 9);
    startPhone({{"/a/WebSession", old}, {"/a/other", bytesOf(400, 1)}}, 1000);
    dir.write("work/orfiles/WebSession", bytesOf(900, 7));
    WorkingDirectory inWork(dir.file("work"));
    UploadWebSession(link, prompts, messages, &keeper);
    EXPECT_EQ(prompts.take(),
              (Lines{"error: Sending /a/WebSession to the phone failed: File_Write gave -7",
                     "information: Sending /a/WebSession to the phone failed; the old file was put "
                     "back."}));
    EXPECT_EQ(phoneFile("/a/WebSession"), old);
    EXPECT_TRUE(keeper.store().entries().empty());

    // A good upload keeps the file it replaced.
    dir.write("work/orfiles/WebSession", "new");
    UploadWebSession(link, prompts, messages, &keeper);
    EXPECT_EQ(phoneFile("/a/WebSession"), "new");
    EXPECT_EQ(trash(), (Copies{{"/a/WebSession", old}}));

    // Stopped once the old file is kept: it stays on the phone, and so no copy of it is kept.
    dir.write("work/orfiles/WebSession", "newer");
    prompts.stopAfterReports = 0;
    UploadWebSession(link, prompts, messages, &keeper);
    prompts.stopAfterReports.reset();
    EXPECT_EQ(phoneFile("/a/WebSession"), "new");
    EXPECT_EQ(keeper.store().entries().size(), 1u);
    EXPECT_EQ(trash(), (Copies{{"/a/WebSession", old}}));
}

} // namespace
