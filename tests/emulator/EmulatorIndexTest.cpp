// The file list the emulator keeps between calls must always be what fs/ holds: after its own
// deletes and uploads, after restarts, and after changes made behind its back.
#include "EmulatorFixture.h"
#include "EmulatorResults.h"
#include "FileIndex.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

constexpr int32_t kCapacity = 1000000;

struct Listing {
    std::vector<std::string> paths;
    int64_t used = 0;
};

// What a fresh walk of fs/ finds: every regular file, links and our temporary files left out.
Listing walkOf(const std::string& folder)
{
    Listing listing;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::end(it); ++it) {
        if (!it->is_regular_file() || it->is_symlink() ||
            it->path().filename().string().starts_with(".p2kemu-"))
            continue;
        listing.paths.push_back(it->path().string().substr(folder.size()));
        listing.used += static_cast<int64_t>(it->file_size());
    }
    std::sort(listing.paths.begin(), listing.paths.end());
    return listing;
}

void append(const std::string& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::app) << bytes;
}

int32_t upload(const std::string& path, const std::string& bytes)
{
    if (int32_t result = File_Create(path.c_str(), 4))
        return result;
    std::string buffer = bytes + '\0';
    auto size = static_cast<int32_t>(bytes.size());
    if (File_Write(buffer.data(), size, size - 1) != size)
        return kHostError;
    return File_Close();
}

// Runs body in a child process and fails unless it exits with 0 within thirty seconds (a loaded
// machine may take long; a child that hangs is still caught).
void expectInChild(const std::function<bool()>& body, const char* what)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body() ? 0 : 1);
    int status = -1;
    for (int waited = 0; waited < 3000 && ::waitpid(child, &status, WNOHANG) == 0; ++waited)
        ::usleep(10'000);
    if (!WIFEXITED(status)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what;
}

// This process (root, say) may open only what the permission bits allow, and only spare more
// descriptors than it has open now.
void obeyPermissionBitsWithFewDescriptors(int spare)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    ::syscall(SYS_capget, &header, caps);
    caps[0].effective &= ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH); // both below 32
    ::syscall(SYS_capset, &header, caps);
    rlim_t limit = spare;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd"))
        limit = std::max(limit, rlim_t(std::stoi(entry.path().filename().string()) + 1 + spare));
    const rlimit limits{limit, limit};
    ::setrlimit(RLIMIT_NOFILE, &limits);
}

// Brings index up to date with the phone folder root; the paths it keeps.
std::vector<std::string> keptPaths(FileIndex& index, const std::string& root,
                                   std::vector<std::string>& notes)
{
    PhoneFolder folder;
    folder.setRoot(root);
    index.refresh(folder, notes);
    std::vector<std::string> paths;
    for (const auto& file : index.files())
        paths.push_back(file.first);
    return paths;
}

} // namespace

TEST_F(EmulatorTest, KeptFileListFollowsEveryChangeOfFs)
{
    startPhone({{"/a/mobile/audio/x.mp3", "xx"},
                {"/a/mobile/audio/y.mp3", "yyy"},
                {"/a/mobile/picture/p.jpg", std::string(300, 'p')},
                {"/a/mobile/video/v.3gp", "v"}},
               "[Phone]\ncapacity=" + std::to_string(kCapacity) + "\n");
    const std::string fsRoot = root + "/fs";
    struct Step {
        const char* what;
        std::function<void()> change;
    };
    const Step steps[] = {
        {"nothing changed", [] {}},
        {"own delete", [] { ASSERT_EQ(File_Delete("/a/mobile/audio/x.mp3"), kOk); }},
        {"own upload of a new file",
         [] { ASSERT_EQ(upload("/a/new/folder/n.txt", std::string(70, 'n')), kOk); }},
        {"own upload over a file", [] { ASSERT_EQ(upload("/a/mobile/audio/y.mp3", "1"), kOk); }},
        {"file added behind its back", [&] { append(fsRoot + "/a/mobile/audio/z.mp3", "zz"); }},
        {"file grown behind its back",
         [&] { append(fsRoot + "/a/mobile/audio/z.mp3", std::string(1000, 'z')); }},
        {"file removed behind its back", [&] { fs::remove(fsRoot + "/a/mobile/video/v.3gp"); }},
        {"folder made behind its back",
         [&] {
             fs::create_directories(fsRoot + "/b/c/d");
             append(fsRoot + "/b/c/d/deep.bin", "deep");
             append(fsRoot + "/b/c/top.bin", "top");
         }},
        {"folder renamed behind its back",
         [&] { fs::rename(fsRoot + "/b/c", fsRoot + "/a/mobile/moved"); }},
        {"file in the renamed folder added",
         [&] { append(fsRoot + "/a/mobile/moved/d/later.bin", "later"); }},
        {"folder moved out of fs/",
         [&] { fs::rename(fsRoot + "/a/mobile/picture", root + "/picture-away"); }},
        {"file added in the folder moved out",
         [&] { append(root + "/picture-away/gone.jpg", "never listed"); }},
        {"folder moved back", [&] { fs::rename(root + "/picture-away", fsRoot + "/a/pic"); }},
        {"folder removed behind its back", [&] { fs::remove_all(fsRoot + "/a/new"); }},
        {"restart", [] { ASSERT_EQ(P2K_Init(nullptr), kOk); }},
        {"change right after a restart", [&] { append(fsRoot + "/after.txt", "after"); }},
        {"fs/ replaced behind its back",
         [&] {
             fs::rename(fsRoot, root + "/old-fs");
             fs::create_directories(fsRoot + "/q");
             append(fsRoot + "/q/only.txt", "only");
         }},
        {"file added to the new fs/", [&] { append(fsRoot + "/q/second.txt", "2"); }},
    };
    for (const Step& step : steps) {
        step.change();
        Listing truth = walkOf(fsRoot);
        EXPECT_EQ(File_Count(), static_cast<int32_t>(truth.paths.size())) << step.what;
        EXPECT_EQ(listPaths(), truth.paths) << step.what;
        EXPECT_EQ(File_VolInfo(nullptr), kCapacity - truth.used) << step.what;
    }
}

TEST_F(EmulatorTest, FreeSpaceFollowsPhoneIniAndTheFilesTogether)
{
    startPhone({{"/a/x", std::string(100, 'x')}}, "[Phone]\ncapacity=1000\n");
    ASSERT_EQ(File_VolInfo(nullptr), 900);
    append(root + "/fs/a/y", std::string(50, 'y'));
    writeIni("[Phone]\ncapacity=2000\n");
    EXPECT_EQ(File_VolInfo(nullptr), 1850);
    // The room of an upload counts files added behind its back too.
    ASSERT_EQ(File_Create("/a/z", 4), kOk);
    std::string big(1851, 'z');
    EXPECT_EQ(File_Write(big.data(), 1851, 0), kPhoneFull);
    EXPECT_EQ(File_Write(big.data(), 1850, 0), 1850);
    EXPECT_EQ(File_Close(), kOk);
    EXPECT_EQ(File_VolInfo(nullptr), 0);
}

// P2K_Init starts a walk of fs/ of its own, which the first File_Count takes over. What changes
// behind the emulator's back while that walk runs, whether the walk has passed the place yet or
// not, is in the next File_Count; and the emulator's own calls right after P2K_Init are too.
TEST_F(EmulatorTest, ChangesDuringTheFirstWalkAreNotLost)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (int folder = 0; folder < 40; ++folder)
        for (int file = 0; file < 100; ++file)
            files.push_back({"/a/f" + std::to_string(folder) + "/" + std::to_string(file), "x"});
    startPhone(files, "[Phone]\ncapacity=" + std::to_string(kCapacity) + "\n");
    const std::string fsRoot = root + "/fs";
    struct Row {
        std::function<void()> change;
        bool duringCount; // made while another thread's File_Count waits for the walk
    };
    const Row rows[] = {
        {[&] { append(fsRoot + "/a/f0/new", "early folder"); }, true},
        {[&] { append(fsRoot + "/a/f39/new", "late folder"); }, true},
        {[&] { fs::remove_all(fsRoot + "/a/f20"); }, true},
        {[&] { fs::rename(fsRoot + "/a/f21", fsRoot + "/a/moved"); }, true},
        {[] { ASSERT_EQ(File_Delete("/a/f1/5"), kOk); }, false},
        {[] { ASSERT_EQ(upload("/a/f38/up", "uploaded"), kOk); }, false},
        {[] { ASSERT_EQ(P2K_Init(nullptr), kOk); }, false}, // the walk is stopped half-way
    };
    for (const Row& row : rows) {
        ASSERT_EQ(P2K_Init(nullptr), kOk);
        if (row.duringCount) {
            std::thread counter([] { File_Count(); });
            row.change();
            counter.join();
        } else {
            row.change();
        }
        Listing truth = walkOf(fsRoot);
        EXPECT_EQ(File_Count(), static_cast<int32_t>(truth.paths.size()));
        EXPECT_EQ(listPaths(), truth.paths);
        EXPECT_EQ(File_VolInfo(nullptr), kCapacity - truth.used);
    }
}

// A child made by fork() while the parent's first walk runs has no walking thread: it must
// neither wait for that walk nor believe it, but walk fs/ itself.
TEST_F(EmulatorTest, ChildProcessDoesNotWaitForItsParentsWalk)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (int file = 0; file < 4000; ++file)
        files.push_back({"/a/" + std::to_string(file % 40) + "/" + std::to_string(file), ""});
    startPhone(files, "");
    ASSERT_EQ(P2K_Init(nullptr), kOk);
    expectInChild(
        [] { return File_Count() == 4000 && P2K_Init(nullptr) == kOk && File_Count() == 4000; },
        "the child hung or miscounted");
    EXPECT_EQ(File_Count(), 4000);
}

// Far more folders than the process may open descriptors: every file is listed all the same, and
// the one folder that truly cannot be read is named in the journal.
TEST_F(EmulatorTest, ListsEveryFolderWhateverTheOpenFileLimit)
{
    std::vector<std::pair<std::string, std::string>> files{{"/a/locked/hidden", "h"}};
    for (int folder = 0; folder < 300; ++folder)
        files.push_back({"/a/f" + std::to_string(folder) + "/x", "x"});
    // The child is forked with no walk of this process running, so it inherits no thread's
    // half-held state.
    writePhone(files, "");
    fs::permissions(root + "/fs/a/locked", fs::perms::none);
    expectInChild(
        [] {
            obeyPermissionBitsWithFewDescriptors(32);
            return P2K_Init(nullptr) == kOk && File_Count() == 300;
        },
        "not every readable file was listed");
    fs::permissions(root + "/fs/a/locked", fs::perms::owner_all);
    EXPECT_NE(journal().find("could not read 1 folder(s) of fs/, whose files are not listed: "
                             "\"/a/locked\" (Permission denied)"),
              std::string::npos);
}

// Forgetting a removed tree looks at the watches of that tree, not at every watch once for each
// of its folders.
TEST_F(EmulatorTest, ForgettingARemovedTreeCostsTheTreeNotEveryWatch)
{
    std::vector<std::pair<std::string, std::string>> files;
    for (int folder = 0; folder < 300; ++folder)
        for (const std::string tree : {"/keep/", "/gone/"})
            files.push_back({tree + std::to_string(folder) + "/x", "x"});
    startPhone(files, "");
    FileIndex index;
    std::vector<std::string> notes;
    keptPaths(index, root, notes);
    fs::remove_all(root + "/fs/gone");
    EXPECT_EQ(keptPaths(index, root, notes), walkOf(root + "/fs").paths);
    EXPECT_LE(index.watchesLookedAt(), 2u * 301) << "twice the folders removed";
}

// Where inotify cannot watch a folder the next refresh walks fs/ again, rather than answering
// from what it knew.
TEST_F(EmulatorTest, KeptFileListWalksAgainWhereAFolderCannotBeWatched)
{
    startPhone({{"/a/x", "x"}}, "");
    FileIndex index(2); // fs/ and /a
    std::vector<std::string> notes;
    keptPaths(index, root, notes);
    for (const char* file : {"/a/new/1", "/a/new/2", "/a/3"}) {
        dir.write("phone/fs" + std::string(file), "bytes");
        EXPECT_EQ(keptPaths(index, root, notes), walkOf(root + "/fs").paths) << file;
    }
    EXPECT_EQ(notes, std::vector<std::string>{"inotify cannot watch fs/ (No space left on "
                                              "device): every call walks the whole of fs/"});
}
