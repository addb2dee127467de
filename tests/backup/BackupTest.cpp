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

    const Lines paths = {"/a/1", "/a/2", "/a/3", "/a/4", "/a/5"};
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

// Stopped, unplugged or killed outright as the n-th fetch starts, a backup's manifest lists
// exactly the copies that are whole, and they go back.
TEST_F(BackupTest, ABackupCutShortRestoresWhatItCopied)
{
    enum class Cut { Stop, Unplug, Kill };
    struct Row {
        Cut cut;
        std::size_t atFetch;
        std::string shown; // before the folder's path; none when killed
    };
    const Row rows[] = {
        {Cut::Stop, 3, "information: Backup stopped: 2 of 5 files copied to "},
        {Cut::Unplug, 3, "warning: The phone went away: 2 of 5 files copied to "},
        {Cut::Kill, 1, ""},
        {Cut::Kill, 3, ""},
        {Cut::Kill, 5, ""},
    };
    startPhone(files);
    for (const Row& row : rows) {
        std::filesystem::remove_all(dir.file("work/backup"));
        hooked.fetches = 0;
        prompts.progressReports = 0;
        if (row.cut == Cut::Stop)
            prompts.stopAfterReports = row.atFetch; // asked after that file's progress
        hooked.before = [&] {
            if (hooked.fetches == row.atFetch && row.cut == Cut::Unplug)
                unplug(true);
            if (hooked.fetches == row.atFetch && row.cut == Cut::Kill)
                ::raise(SIGKILL);
        };
        const pid_t child = row.cut == Cut::Kill ? ::fork() : 0;
        if (child == 0) {
            backUp(hooked, paths);
            if (row.cut == Cut::Kill)
                ::_exit(0);
        }
        int status = 0;
        if (row.cut == Cut::Kill) {
            ASSERT_TRUE(::waitpid(child, &status, 0) == child && WIFSIGNALED(status));
        }
        hooked.before = nullptr;
        prompts.stopAfterReports.reset();
        unplug(false);
        EXPECT_EQ(prompts.take(),
                  row.shown.empty() ? Lines{} : Lines{row.shown + onlyBackup() + "."});
        expectRestorable(onlyBackup(), row.atFetch - 1);
    }
}

TEST_F(BackupTest, AFileGoneSinceTheReadIsNamedAsGone)
{
    startPhone(files);
    ASSERT_EQ(link.fileDelete("/a/2"), 0);
    backUp(link, paths);
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
    EXPECT_EQ(prompts.take(),
              Lines{"information: Backup made in " + onlyBackup() + ": 3 files copied, 0 failed."});
    const std::vector<ManifestEntry> manifest = manifestOf(onlyBackup());
    ASSERT_EQ(manifest.size(), 3u);
    std::set<std::string> hostNames;
    for (const ManifestEntry& entry : manifest) {
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
    FakePhoneLink phone;
    phone.fetchable = {{{"/a/b\x01.txt", "first"}, {"/a/b\x02.txt", "second"}}};
    backUp(phone, {"/a/b\x01.txt", "/a/b\x02.txt"});
    prompts.take();
    const std::vector<ManifestEntry> manifest = manifestOf(onlyBackup());
    ASSERT_EQ(manifest.size(), 2u);
    EXPECT_EQ(manifest[0].hostName, "a/b_.txt");
    EXPECT_EQ(manifest[1].hostName, "a/b_~2.txt");
    for (const ManifestEntry& entry : manifest)
        EXPECT_EQ(dir.read(onlyBackup().substr(dir.path().size() + 1) + "/" + entry.hostName),
                  phone.fetchable->at(entry.phonePath));
}

// What stands in a backup folder in place of a copy is never read, let alone sent to the phone.
TEST_F(BackupTest, LinksAndSpecialFilesInABackupAreRefusedWithTheirCause)
{
    namespace fs = std::filesystem;
    const std::string out = dir.file("outside");
    const auto linkOut = [&](const std::string& at, const std::string& name, bool folder) {
        fs::rename(at, out + "/" + name);
        folder ? fs::create_directory_symlink(out + "/" + name, at)
               : fs::create_symlink(out + "/" + name, at);
    };
    struct Row {
        std::string path;
        std::function<void(const std::string& copy)> tamper;
        std::string why;
    };
    const std::string refused = texts.get(BackupText::NotPlainFile);
    const Row rows[] = {
        {"/a/1", [&](const std::string& copy) { linkOut(copy, "1", false); }, refused},
        {"/a/sub/2",
         [&](const std::string& copy) { linkOut(fs::path(copy).parent_path(), "sub", true); },
         refused},
        {"/a/3", [](const std::string& copy) { fs::remove(copy), ::mkfifo(copy.c_str(), 0600); },
         refused},
        {"/a/4", [](const std::string& copy) { fs::resize_file(copy, 1u << 30); }, // sparse
         "the copy holds 1073741824 bytes, not the 4 the manifest says"},
        {"/a/5", [](const std::string& copy) { fs::remove(copy); }, "File not found"},
    };
    std::map<std::string, std::string> tampered;
    Lines which;
    for (const Row& row : rows) {
        tampered[row.path] = "same"; // a link's target has the same bytes: the checksum matches
        which.push_back(row.path);
    }
    startPhone(tampered);
    backUp(link, which);
    prompts.take();
    const std::string folder = onlyBackup();
    fs::create_directories(out);
    const std::vector<ManifestEntry> manifest = manifestOf(folder);
    std::string expected = "warning: 5 of 5 files could not be put back on the phone:";
    for (const Row& row : rows) {
        row.tamper(folder + "/" + hostNameOf(row.path));
        ASSERT_EQ(link.fileDelete(row.path), 0);
        expected += "\n" + row.path + ": " + row.why;
    }
    BackupFolder backup;
    ASSERT_EQ(backup.open(folder), 0);
    RestoreFromBackup(place(), backup, manifest);
    EXPECT_EQ(prompts.take(), Lines{expected});
    for (const Row& row : rows)
        EXPECT_FALSE(onPhone(row.path)) << row.path;
}

} // namespace
