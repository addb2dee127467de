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

TEST(WriteFileAtomically, OnlyTemporaryFilesOfOursWhoseWriterIsGoneAreRemoved)
{
    TempDir dir;
    const std::string prefix = temporaryPrefix("Zandrel.ini");
    const std::string dead = std::to_string(endedProcess());
    const std::string stale = prefix + dead + "-a1b2c3";
    // Everything else stays, however old: a user's files that look a little like ours, another
    // file's, a living writer's, and one of ours with a second name.
    std::vector<std::string> kept = {
        ".zandrel-backup",
        prefix + dead + "-a1b2c3d",
        prefix + dead + "-a1b2c",
        prefix + "0" + dead + "-a1b2c3",
        prefix + dead + "-a1.b2c",
        prefix + dead,
        temporaryPrefix("list.df") + dead + "-g7h8i9",
        prefix + std::to_string(::getppid()) + "-d4e5f6",
        prefix + dead + "-e5f6g7",
    };
    const timeval anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    for (const std::string& name : kept) {
        dir.write(name, "user's");
        ASSERT_EQ(::utimes(dir.file(name).c_str(), anHourAgo), 0);
    }
    fs::create_hard_link(dir.file(kept.back()), dir.file("link"));
    dir.write(stale, "half");
    ASSERT_EQ(writeFileAtomically(dir.file("Zandrel.ini"), "[Language]\r\n"), 0);
    kept.insert(kept.end(), {"link", "Zandrel.ini"});
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(namesIn(dir.path()), kept);
}

// A save keeps the file the user had: its owner, its group, its other names, in a sticky folder
// too. Making another user's file takes root.
TEST(WriteFileAtomically, FileIsWrittenInPlaceWhereARenameWouldChangeIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a file another owner";
    struct Case {
        const char* what;
        uid_t owner;
        gid_t group;
        bool hardLink;
        bool stickyFolderSavedByNobody;
        bool inPlace;
    };
    const Case cases[] = {
        {"a second hard link", 0, 0, true, false, true},
        {"root saving another user's file", 65534, 65534, false, false, true},
        {"root saving a file of another group", 0, 65534, false, false, false},
        {"nobody saving root's file in a sticky folder", 0, 0, false, true, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        ASSERT_EQ(::chmod(dir.path().c_str(), c.stickyFolderSavedByNobody ? 01777 : 0755), 0);
        dir.write("list.df", "a much longer old content");
        ASSERT_EQ(::chmod(dir.file("list.df").c_str(), 0666), 0);
        ASSERT_EQ(::chown(dir.file("list.df").c_str(), c.owner, c.group), 0);
        if (c.hardLink)
            fs::create_hard_link(dir.file("list.df"), dir.file("other-name.df"));
        struct stat before {};
        ASSERT_EQ(::stat(dir.file("list.df").c_str(), &before), 0);
        const auto save = [&] {
            EXPECT_EQ(writeFileAtomically(dir.file("list.df"), "/a/x\r\n"), 0);
        };
        if (c.stickyFolderSavedByNobody)
            EXPECT_TRUE(withoutPrivileges(save)) << c.what;
        else
            save();
        struct stat after {};
        ASSERT_EQ(::stat(dir.file("list.df").c_str(), &after), 0);
        EXPECT_EQ(dir.read("list.df"), "/a/x\r\n") << c.what;
        EXPECT_EQ(after.st_ino == before.st_ino, c.inPlace) << c.what;
        EXPECT_EQ(after.st_uid, c.owner) << c.what;
        EXPECT_EQ(after.st_gid, c.group) << c.what;
        EXPECT_EQ(namesIn(dir.path()).size(), c.hardLink ? 2U : 1U) << c.what;
    }
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
