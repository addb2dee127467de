// Phone folders set up to hurt: links out of the folder, special files where files belong, two
// programs at once, huge arguments and the leftovers of killed writes.
#include "EmulatorFixture.h"
#include "EmulatorResults.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

// Every file below folder with its content, to see that nothing there changed.
std::map<std::string, std::string> snapshot(const TempDir& dir, const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir.file(folder)))
        if (entry.is_regular_file())
            files[entry.path().string()] =
                dir.read(entry.path().string().substr(dir.path().size() + 1));
    return files;
}

// Runs body in count child processes released together; true when every one exited with 0.
bool inChildren(int count, const std::function<bool()>& body)
{
    int gate[2];
    if (::pipe(gate) != 0)
        return false;
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(gate[1]);
            char byte;
            [[maybe_unused]] ssize_t got = ::read(gate[0], &byte, 1);
            ::_exit(body() ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);
    bool allWell = true;
    for (pid_t child : children) {
        int status = 0;
        allWell = ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                  WEXITSTATUS(status) == 0 && allWell;
    }
    return allWell;
}

pid_t deadProcess()
{
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

} // namespace

TEST_F(EmulatorTest, NothingOutsideThePhoneFolderIsReachedThroughLinks)
{
    for (const char* entry : {"fs", "seem", "phone.ini", "journal.log"}) {
        SCOPED_TRACE(entry);
        fs::remove_all(root);
        fs::remove_all(dir.file("outside"));
        dir.write("outside/a/x.mp3", "outside file");
        dir.write("outside/phone.ini", "connected=0\ncapacity=5\n");
        dir.write("outside/journal.log", "outside journal\n");
        dir.write("outside/0001_0001.seem", "outside seem\n");
        const auto before = snapshot(dir, "outside");
        fs::create_directories(root + "/fs");
        const std::string target = std::string(entry) == "fs" || std::string(entry) == "seem"
                                       ? dir.file("outside")
                                       : dir.file("outside/") + entry;
        fs::remove_all(root + "/" + entry);
        fs::create_symlink(target, root + "/" + entry);

        ASSERT_EQ(P2K_Init(nullptr), kOk);
        EXPECT_EQ(P2K_GetStatus(), 1) << "a linked phone.ini is not read";
        EXPECT_GE(File_Count(), 0);
        File_Delete("/a/x.mp3");
        if (File_Create("/a/new.txt", 4) == kOk) {
            File_Write("new", 3, 0);
            File_Close();
        }
        int seemFd = ::open(dir.file("outside/a/x.mp3").c_str(), O_RDONLY | O_CLOEXEC);
        File_VolInfo(nullptr);
        Seem_Write(1, 1, 0, 0, &seemFd);
        ::close(seemFd);
        EXPECT_EQ(snapshot(dir, "outside"), before);
    }
}

TEST_F(EmulatorTest, PhoneIniThatIsNoRegularFileLeavesTheDefaults)
{
    const std::string ini = "phone.ini";
    struct Row {
        const char* what;
        std::function<void(const std::string& path)> make;
    };
    const Row rows[] = {
        {"FIFO nobody writes to", [](const std::string& path) { ::mkfifo(path.c_str(), 0644); }},
        {"link to /dev/zero",
         [](const std::string& path) { fs::create_symlink("/dev/zero", path); }},
        {"folder", [](const std::string& path) { fs::create_directory(path); }},
        {"huge file",
         [](const std::string& path) {
             std::string text = "connected=0\n" + std::string(1 << 20, ';') + "\n";
             std::FILE* file = std::fopen(path.c_str(), "wb");
             std::fwrite(text.data(), 1, text.size(), file);
             std::fclose(file);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root);
        fs::create_directories(root + "/fs");
        row.make(root + "/" + ini);
        auto init = std::async(std::launch::async, [] { return P2K_Init(nullptr); });
        if (init.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            // Let the hung reader go before failing, so the test program can end.
            int writer = ::open((root + "/" + ini).c_str(), O_WRONLY | O_NONBLOCK);
            ::close(writer);
            FAIL() << "P2K_Init hangs";
        }
        EXPECT_EQ(init.get(), kOk);
        EXPECT_EQ(P2K_GetStatus(), 1);
        EXPECT_NE(journal().find("phone.ini cannot be read"), std::string::npos);
    }
}

TEST_F(EmulatorTest, TwoProgramsStartingOnANewFolderBothGetTheWholeDemoPhone)
{
    for (int trial = 0; trial < 5; ++trial) {
        fs::remove_all(root);
        ASSERT_TRUE(inChildren(4, [] { return P2K_Init(nullptr) == kOk && File_Count() > 0; }));
        ASSERT_EQ(P2K_Init(nullptr), kOk);
        std::vector<std::string> paths = listPaths();
        EXPECT_GE(paths.size(), 30u);
        for (const auto& entry : fs::directory_iterator(root))
            EXPECT_FALSE(entry.path().filename().string().starts_with(".p2kemu-")) << entry.path();
    }
}

TEST_F(EmulatorTest, TwoProgramsRotateTheJournalOnce)
{
    startPhone({});
    const std::string marker = "# an old line that must survive the rotation\n";
    std::string full;
    while (full.size() < 1024 * 1024)
        full += marker;
    // Every program finds the journal full at its first call, so all of them try to move it.
    for (int trial = 0; trial < 5; ++trial) {
        dir.write("phone/journal.log", full);
        ASSERT_TRUE(inChildren(8, [] {
            for (int i = 0; i < 20; ++i)
                if (P2K_GetStatus() != 1)
                    return false;
            return true;
        }));
        ASSERT_EQ(dir.read("phone/journal.log.1").substr(0, full.size()), full) << trial;
    }
}

TEST_F(EmulatorTest, HugeRefusedPathCostsAShortJournalLine)
{
    startPhone({});
    std::string path = "/" + std::string(20 * 1024 * 1024, 'a');
    EXPECT_EQ(File_Delete(path.c_str()), kBadPath);
    EXPECT_EQ(File_Create(path.c_str(), 4), kBadPath);
    std::string log = journal();
    EXPECT_LT(log.size(), 8u * 1024);
    EXPECT_NE(log.find("(20971521 bytes)"), std::string::npos);
}

TEST_F(EmulatorTest, TemporaryFilesOfKilledWritesAreRemoved)
{
    const std::string dead = ".p2kemu-" + std::to_string(deadProcess()) + "-1";
    const std::string living = ".p2kemu-" + std::to_string(::getppid()) + "-1.tmp";
    startPhone({{"/a/x.mp3", "x"},
                {"/a/" + dead + ".tmp", std::string(5000, 't')},
                {"/a/" + living, "still being written"}},
               "[Phone]\ncapacity=10000\n");
    dir.write("phone/seem/" + dead + ".tmp", "half a seem");
    dir.write("phone/" + dead + "-demo/fs/a/half.mp3", "half a demo phone");

    ASSERT_EQ(P2K_Init(nullptr), kOk);
    EXPECT_EQ(File_VolInfo(nullptr), 10000 - 1);
    EXPECT_FALSE(dir.exists("phone/fs/a/" + dead + ".tmp"));
    EXPECT_TRUE(dir.exists("phone/fs/a/" + living));
    EXPECT_FALSE(dir.exists("phone/" + dead + "-demo"));

    int fd = ::open(fsFile("/a/x.mp3").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(Seem_Write(1, 1, 0, 0, &fd), kOk);
    ::close(fd);
    EXPECT_FALSE(dir.exists("phone/seem/" + dead + ".tmp"));
}
