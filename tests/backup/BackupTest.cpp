// Backups cut short, long names, gone files and hostile backup folders, against the emulator.
#include "PhoneCopiesFixture.h"

#include "phonelink/ForwardingPhoneLink.h"

#include "FakePhoneLink.h"

#include <csignal>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zandrel;

namespace {

// The emulator with a hook before each call: a test's way to pull the phone out, or to die,
// in the middle of a backup.
class HookedLink final : public ForwardingPhoneLink<HookedLink> {
public:
    using ForwardingPhoneLink::ForwardingPhoneLink;
    std::function<void()> before;
    std::size_t fetches = 0;

    template <typename Call> int32_t pass(Call call)
    {
        if (before)
            before();
        return call();
    }
    int32_t fileFetch(const std::string& path, int32_t fd) override
    {
        ++fetches;
        return ForwardingPhoneLink::fileFetch(path, fd);
    }
};

class BackupTest : public PhoneCopiesTest {
protected:
    HookedLink hooked{link};
    const std::map<std::string, std::string> files = {
        {"/a/1", "one"}, {"/a/2", "two"}, {"/a/3", "three"}, {"/a/4", "four"}, {"/a/5", "five"}};

    Lines paths() const
    {
        Lines all;
        for (const auto& [path, bytes] : files)
            all.push_back(path);
        return all;
    }
    void backUp(PhoneLink& phone, const Lines& which)
    {
        CreateBackup(phone, prompts, texts, which, dir.file("work"), clock);
    }
    // Every manifest entry names a whole copy of its phone file, and restores it.
    void expectRestorable(const std::string& folder, std::size_t count)
    {
        const std::vector<ManifestEntry> manifest = manifestOf(folder);
        ASSERT_EQ(manifest.size(), count);
        for (const ManifestEntry& entry : manifest) {
            EXPECT_EQ(dir.read(folder.substr(dir.path().size() + 1) + "/" + entry.hostName),
                      files.at(entry.phonePath));
            ASSERT_EQ(link.fileDelete(entry.phonePath), 0);
        }
        BackupFolder backup;
        ASSERT_EQ(backup.open(folder), 0);
        RestoreFromBackup(place(), backup, manifest);
        EXPECT_EQ(prompts.take(),
                  Lines{"information: " + std::to_string(count) +
                        (count == 1 ? " file" : " files") + " put back on the phone."});
        for (const ManifestEntry& entry : manifest)
            EXPECT_EQ(phoneFile(entry.phonePath), files.at(entry.phonePath));
    }
};

TEST_F(BackupTest, ABackupCutShortRestoresWhatItCopied)
{
    enum class Cut { Stop, Unplug };
    struct Row {
        Cut cut;
        const char* shown; // before the folder's path
        const char* kind;
    };
    const Row rows[] = {
        {Cut::Stop, "Backup stopped: 2 of 5 files copied to ", "information"},
        {Cut::Unplug, "The phone went away: 2 of 5 files copied to ", "warning"},
    };
    startPhone(files);
    for (const Row& row : rows) {
        std::filesystem::remove_all(dir.file("work/backup"));
        hooked.fetches = 0;
        prompts.progressReports = 0;
        if (row.cut == Cut::Stop)
            prompts.stopAfterReports = 3; // asked after the third file's progress
        hooked.before = [&] {
            if (row.cut == Cut::Unplug && hooked.fetches == 3) // as the third fetch starts
                unplug(true);
        };
        backUp(hooked, paths());
        hooked.before = nullptr;
        prompts.stopAfterReports.reset();
        unplug(false);
        EXPECT_EQ(prompts.take(),
                  Lines{std::string(row.kind) + ": " + row.shown + onlyBackup() + "."});
        expectRestorable(onlyBackup(), 2);
    }
}

// Killed outright at any file, a backup's manifest lists exactly the copies that are whole.
TEST_F(BackupTest, ABackupKilledMidwayHasAManifestForWhatWasCopied)
{
    startPhone(files);
    for (const std::size_t killedAt : {1u, 3u, 5u}) {
        std::filesystem::remove_all(dir.file("work/backup"));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            hooked.before = [&] {
                if (hooked.fetches == killedAt)
                    ::raise(SIGKILL);
            };
            backUp(hooked, paths());
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << killedAt;
        expectRestorable(onlyBackup(), killedAt - 1);
    }
}

TEST_F(BackupTest, AFileGoneSinceTheReadIsNamedAsGone)
{
    startPhone(files);
    ASSERT_EQ(link.fileDelete("/a/2"), 0);
    backUp(link, paths());
    EXPECT_EQ(prompts.take(), Lines{"information: Backup made in " + onlyBackup() +
                                    ": 4 files copied, 0 failed.\n1 file is no longer on the "
                                    "phone (deleted since the list was read):\n/a/2"});
}

// 130 Cyrillic letters are 130 bytes on the phone and 260 in UTF-8, past the host's 255.
TEST_F(BackupTest, LongCyrillicNamesAreShortenedApartAndRestoredByTheirPhonePath)
{
    const std::string letters(130, '\xCF');
    const Lines longPaths = {"/a/" + letters + "1.mp3", "/a/" + letters + "2.mp3",
                             "/a/" + std::string(200, 'x') + ".mp3"};
    std::map<std::string, std::string> longFiles;
    for (std::size_t i = 0; i < longPaths.size(); ++i)
        longFiles[longPaths[i]] = bytesOf(100 + i, static_cast<char>(i));
    startPhone(longFiles);
    backUp(link, longPaths);
    EXPECT_EQ(prompts.take(), Lines{"information: Backup made in " + onlyBackup() +
                                    ": 3 files copied, 0 failed."});
    const std::vector<ManifestEntry> manifest = manifestOf(onlyBackup());
    ASSERT_EQ(manifest.size(), 3u);
    std::set<std::string> hostNames;
    for (const ManifestEntry& entry : manifest) {
        const std::string name = entry.hostName.substr(entry.hostName.rfind('/') + 1);
        EXPECT_LE(name.size(), 255u) << entry.hostName;
        EXPECT_TRUE(name.ends_with(".mp3")) << entry.hostName;
        hostNames.insert(entry.hostName);
        ASSERT_EQ(link.fileDelete(entry.phonePath), 0);
    }
    EXPECT_EQ(hostNames.size(), 3u);
    BackupFolder backup;
    ASSERT_EQ(backup.open(onlyBackup()), 0);
    RestoreFromBackup(place(), backup, manifest);
    EXPECT_EQ(prompts.take(), Lines{"information: 3 files put back on the phone."});
    for (const auto& [path, bytes] : longFiles)
        EXPECT_EQ(phoneFile(path), bytes);
}

// Phone paths that make one host name each keep a copy of their own.
TEST_F(BackupTest, PathsThatMakeOneHostNameGetNamesOfTheirOwn)
{
    const std::map<std::string, std::string> twins = {{"/a/b\x01.txt", "first"},
                                                      {"/a/b\x02.txt", "second"}};
    FakePhoneLink phone;
    phone.fetchable = twins;
    CreateBackup(phone, prompts, texts, {"/a/b\x01.txt", "/a/b\x02.txt"}, dir.file("work"), clock);
    prompts.take();
    const std::vector<ManifestEntry> manifest = manifestOf(onlyBackup());
    ASSERT_EQ(manifest.size(), 2u);
    EXPECT_EQ(manifest[0].hostName, "a/b_.txt");
    EXPECT_EQ(manifest[1].hostName, "a/b_~2.txt");
    for (const ManifestEntry& entry : manifest)
        EXPECT_EQ(dir.read(onlyBackup().substr(dir.path().size() + 1) + "/" + entry.hostName),
                  twins.at(entry.phonePath));
}

// What stands in a backup folder in place of a copy is never read, let alone sent to the phone.
TEST_F(BackupTest, LinksAndSpecialFilesInABackupAreRefusedWithTheirCause)
{
    const std::string linkRefused = texts.get(BackupText::NotPlainFile);
    struct Row {
        const char* path;
        std::function<void(const std::string& copy, const std::string& outside)> tamper;
        std::string why;
    };
    const Row rows[] = {
        {"/a/1",
         [](const std::string& copy, const std::string& outside) {
             std::filesystem::rename(copy, outside + "/1");
             std::filesystem::create_symlink(outside + "/1", copy);
         },
         linkRefused},
        {"/a/sub/2",
         [](const std::string& copy, const std::string& outside) {
             const std::string folder = copy.substr(0, copy.rfind('/'));
             std::filesystem::rename(folder, outside + "/sub");
             std::filesystem::create_directory_symlink(outside + "/sub", folder);
         },
         linkRefused},
        {"/a/3",
         [](const std::string& copy, const std::string&) {
             std::filesystem::remove(copy);
             ASSERT_EQ(::mkfifo(copy.c_str(), 0600), 0);
         },
         linkRefused},
        {"/a/4",
         [](const std::string& copy, const std::string&) {
             std::filesystem::resize_file(copy, 1u << 30); // sparse, never read
         },
         "the copy holds 1073741824 bytes, not the 4 the manifest says"},
        {"/a/5",
         [](const std::string& copy, const std::string&) { std::filesystem::remove(copy); },
         "File not found"},
    };
    std::map<std::string, std::string> tampered;
    Lines which;
    for (const Row& row : rows) {
        tampered[row.path] = std::string(row.path).substr(3) + "!!";
        tampered[row.path].resize(4, '.');
        which.push_back(row.path);
    }
    startPhone(tampered);
    backUp(link, which);
    prompts.take();
    const std::string folder = onlyBackup();
    std::filesystem::create_directories(dir.file("outside"));
    std::string expected = "warning: 5 of 5 files could not be put back on the phone:";
    const std::vector<ManifestEntry> manifest = manifestOf(folder);
    ASSERT_EQ(manifest.size(), 5u);
    for (const Row& row : rows) {
        row.tamper(folder + "/" + hostNameOf(row.path), dir.file("outside"));
        ASSERT_EQ(link.fileDelete(row.path), 0);
        expected += "\n" + std::string(row.path) + ": " + row.why;
    }
    BackupFolder backup;
    ASSERT_EQ(backup.open(folder), 0);
    RestoreFromBackup(place(), backup, manifest);
    EXPECT_EQ(prompts.take(), Lines{expected});
    for (const Row& row : rows)
        EXPECT_FALSE(onPhone(row.path)) << row.path;
}

} // namespace
