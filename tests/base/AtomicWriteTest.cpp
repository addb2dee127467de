#include "base/AtomicWrite.h"
#include "base/ErrorText.h"

#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zandrel;
namespace fs = std::filesystem;

namespace {
std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `body` where file permissions bind: as root, in a child process that has become nobody.
// Returns whether the body's checks all passed.
template <typename Body> bool withoutPrivileges(Body body)
{
    if (::geteuid() != 0) {
        body();
        return !testing::Test::HasFailure();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        if (dropped)
            body();
        ::_exit(dropped && !testing::Test::HasFailure() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A process id that no process has: the child's, once it has ended and been waited for.
pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(WriteFileAtomically, LinksAreWrittenThroughToTheFileTheyName)
{
    TempDir dir;
    fs::create_directories(dir.file("real"));
    dir.write("real/Zandrel.ini", "old");
    fs::create_symlink("real/Zandrel.ini", dir.file("second"));
    fs::create_symlink(dir.file("second"), dir.file("Zandrel.ini"));
    fs::create_symlink("real/new.df", dir.file("dangling.df"));
    ASSERT_EQ(writeFileAtomically(dir.file("Zandrel.ini"), "new"), 0);
    ASSERT_EQ(writeFileAtomically(dir.file("dangling.df"), "made"), 0);
    EXPECT_EQ(dir.read("real/Zandrel.ini"), "new");
    EXPECT_EQ(dir.read("real/new.df"), "made");
    for (const char* link : {"Zandrel.ini", "second", "dangling.df"})
        EXPECT_TRUE(fs::is_symlink(dir.file(link))) << link;
    EXPECT_EQ(namesIn(dir.file("real")), (std::vector<std::string>{"Zandrel.ini", "new.df"}));

    fs::create_symlink("loop", dir.file("loop"));
    EXPECT_EQ(writeFileAtomically(dir.file("loop"), "x"), ELOOP);
}

TEST(WriteFileAtomically, StaleTemporaryFilesOfOursAreRemovedAtTheNextSave)
{
    TempDir dir;
    const std::string prefix = temporaryPrefix("Zandrel.ini");
    const std::string stale = prefix + std::to_string(endedProcess()) + "-a1b2c3";
    const std::string living = prefix + std::to_string(::getppid()) + "-d4e5f6";
    const std::string otherFile = temporaryPrefix("list.df") + "1-g7h8i9";
    // An earlier version's, named without file or writer: removed once it has long been quiet.
    const std::string earlierOld = ".zandrel-Ab12Cd";
    const std::string earlierNew = ".zandrel-Ef34Gh";
    for (const std::string& name : {stale, living, otherFile, earlierOld, earlierNew})
        dir.write(name, "half");
    const timeval anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimes(dir.file(earlierOld).c_str(), anHourAgo), 0);
    ASSERT_EQ(writeFileAtomically(dir.file("Zandrel.ini"), "[Language]\r\n"), 0);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{living, otherFile, earlierNew, "Zandrel.ini"}));
}

TEST(WriteFileAtomically, FolderThatTakesNoNewFileGetsTheFileWrittenInPlace)
{
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    fs::create_directories(dir.file("locked"));
    dir.write("locked/Zandrel.ini", "a much longer old content");
    dir.write("locked/readonly.df", "old");
    ASSERT_EQ(::chmod(dir.file("locked/Zandrel.ini").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0555), 0);
    EXPECT_TRUE(withoutPrivileges([&] {
        EXPECT_EQ(writeFileAtomically(dir.file("locked/Zandrel.ini"), "new"), 0);
        EXPECT_EQ(ioErrorText(writeFileAtomically(dir.file("locked/new.df"), "x"), ""),
                  "File access denied");
        EXPECT_EQ(ioErrorText(writeFileAtomically(dir.file("locked/readonly.df"), "x"), ""),
                  "File access denied");
    }));
    ::chmod(dir.file("locked").c_str(), 0755);
    EXPECT_EQ(dir.read("locked/Zandrel.ini"), "new");
    EXPECT_EQ(dir.read("locked/readonly.df"), "old");
    EXPECT_EQ(namesIn(dir.file("locked")),
              (std::vector<std::string>{"Zandrel.ini", "readonly.df"}));
}

TEST(WriteFileAtomically, SpecialFileInThePlaceIsLeftAlone)
{
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.df").c_str(), 0666), 0);
    EXPECT_EQ(ioErrorText(writeFileAtomically(dir.file("pipe.df"), "x"), ""), "File access denied");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("pipe.df").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}
} // namespace

// Bytes made while they are written: the pieces join up, and a producer that fails leaves the
// old file and no temporary file behind, in the folder and in place alike.
TEST(WriteFileAtomically, BytesHandedOverInPieces)
{
    TempDir dir;
    const auto pieces = [](const ByteSink& sink) {
        for (const char* piece : {"/a/x\r\n", "", "/a/y\r\n"})
            if (const int err = sink(piece))
                return err;
        return 0;
    };
    const auto failing = [](const ByteSink& sink) { return sink("/a/partial") ? EIO : ENOSPC; };
    dir.write("list.df", "old");
    EXPECT_EQ(writeFileAtomically(dir.file("list.df"), pieces), 0);
    EXPECT_EQ(dir.read("list.df"), "/a/x\r\n/a/y\r\n");
    EXPECT_EQ(writeFileAtomically(dir.file("list.df"), failing), ENOSPC);
    EXPECT_EQ(dir.read("list.df"), "/a/x\r\n/a/y\r\n");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"list.df"});

    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    fs::create_directories(dir.file("locked"));
    dir.write("locked/list.df", "a much longer old content");
    ASSERT_EQ(::chmod(dir.file("locked/list.df").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.file("locked").c_str(), 0555), 0);
    EXPECT_TRUE(withoutPrivileges(
        [&] { EXPECT_EQ(writeFileAtomically(dir.file("locked/list.df"), pieces), 0); }));
    ::chmod(dir.file("locked").c_str(), 0755);
    EXPECT_EQ(dir.read("locked/list.df"), "/a/x\r\n/a/y\r\n") << "cut to what was written";
}
