#include "base/LocalFile.h"
#include "base/AtomicWrite.h"
#include "base/ErrorText.h"

#include "FileSizeLimit.h"
#include "TempDir.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace zandrel;

namespace {
constexpr std::size_t kAnySize = 1 << 20;

std::size_t entries(const std::string& folder)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(ReadWholeFile, MissingFileLeavesOutputAlone)
{
    TempDir dir;
    std::string out = "before";
    const int err = readWholeFile(dir.file("none"), out, kAnySize);
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(out, "before");
    EXPECT_EQ(ioErrorText(err, dir.file("none")), "File not found");
}

TEST(ReadWholeFile, ReadsEveryByte)
{
    TempDir dir;
    const std::string bytes("a\0b\r\n\xFF\r", 7);
    dir.write("f", bytes);
    std::string out;
    ASSERT_EQ(readWholeFile(dir.file("f"), out, kAnySize), 0);
    EXPECT_EQ(out, bytes);
}

TEST(ReadWholeFile, FolderIsAccessDenied)
{
    TempDir dir;
    std::string out;
    const int err = readWholeFile(dir.path(), out, kAnySize);
    EXPECT_EQ(ioErrorText(err, dir.path()), "File access denied");
}

TEST(ReadWholeFile, OnlyRegularFilesAreRead)
{
    // A named pipe would block a plain open, and it or a device reads as empty: both are refused
    // rather than taken for an empty file. So are /proc and /sys files, which call themselves
    // regular but give a size of 0 or 4096 whatever they hold.
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    for (const std::string& path :
         {dir.file("pipe"), std::string("/dev/null"), std::string("/proc/self/status"),
          std::string("/sys/kernel/mm/transparent_hugepage/enabled")}) {
        if (!std::filesystem::exists(path))
            continue;
        std::string out = "old";
        EXPECT_EQ(ioErrorText(readWholeFile(path, out, kAnySize), path), "File access denied")
            << path;
        EXPECT_EQ(out, "old");
    }
}

TEST(WriteFileAtomically, NewFileGetsModeLessUmask)
{
    TempDir dir;
    const mode_t mask = ::umask(027);
    const int err = writeFileAtomically(dir.file("new"), "data");
    ::umask(mask);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(dir.read("new"), "data");
    EXPECT_EQ(modeOf(dir.file("new")), 0640u);
}

TEST(WriteFileAtomically, ReplacedFileKeepsItsMode)
{
    TempDir dir;
    dir.write("f", "old contents");
    ASSERT_EQ(::chmod(dir.file("f").c_str(), 0751), 0);
    ASSERT_EQ(writeFileAtomically(dir.file("f"), "new"), 0);
    EXPECT_EQ(dir.read("f"), "new");
    EXPECT_EQ(modeOf(dir.file("f")), 0751u);
    EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(WriteFileAtomically, FailedWriteKeepsOldFile)
{
    TempDir dir;
    dir.write("f", "old");
    int err = 0;
    {
        const FileSizeLimit limit(4);
        err = writeFileAtomically(dir.file("f"), "much longer new contents");
    }
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(dir.read("f"), "old");
    EXPECT_EQ(entries(dir.path()), 1u);
}

TEST(WriteFileAtomically, MissingFolderFails)
{
    TempDir dir;
    const std::string path = dir.file("no/f");
    const int err = writeFileAtomically(path, "x");
    EXPECT_EQ(ioErrorText(err, path), "Invalid filename");
}

TEST(IoErrorText, ChoosesByWhatIsMissing)
{
    TempDir dir;
    dir.write("plain", "x");
    std::string out;
    const std::string missingFile = dir.file("missing");
    const std::string missingFolder = dir.file("folder/missing");
    const std::string fileAsFolder = dir.file("plain/missing");
    EXPECT_EQ(ioErrorText(readWholeFile(missingFile, out, kAnySize), missingFile),
              "File not found");
    EXPECT_EQ(ioErrorText(readWholeFile(missingFolder, out, kAnySize), missingFolder),
              "Invalid filename");
    EXPECT_EQ(ioErrorText(readWholeFile(fileAsFolder, out, kAnySize), fileAsFolder),
              "Invalid filename");
}

TEST(IoErrorText, FixedTexts)
{
    const std::pair<int, const char*> rows[] = {
        {EMFILE, "Too many open files"},
        {ENFILE, "Too many open files"},
        {EACCES, "File access denied"},
        {EPERM, "File access denied"},
        {EROFS, "File access denied"},
        {EISDIR, "File access denied"},
        {ENOSPC, "Disk full"},
        {EDQUOT, "Disk full"},
        {kReadBeyondEnd, "Read beyond end of file"},
        {EIO, "I/O error 5"},
        {EFBIG, "I/O error 27"},
    };
    for (const auto& [error, text] : rows)
        EXPECT_EQ(ioErrorText(error, "/tmp/x"), text) << error;
}

TEST(ErrorBoxText, AddsPeriodAfterBytesSortingAfterIt)
{
    const std::pair<std::string, std::string> rows[] = {
        {"Disk full", "Disk full."},
        {"I/O error 5", "I/O error 5."},
        {"Unable to write to /x/", "Unable to write to /x/."},
        {"Done.", "Done."},
        {"Why!", "Why!"},
        {"a-", "a-"},
        {"", ""},
        {"\xC0", "\xC0."},
    };
    for (const auto& [message, shown] : rows)
        EXPECT_EQ(errorBoxText(message), shown) << message;
}

TEST(LocalPathFromToolPath, TurnsBackslashesIntoSlashes)
{
    EXPECT_EQ(localPathFromToolPath("orfiles\\mma_ucp(c650)"), "orfiles/mma_ucp(c650)");
    EXPECT_EQ(localPathFromToolPath("seem/004c_0001.seem"), "seem/004c_0001.seem");
}
} // namespace

namespace {
TEST(ReadWholeFile, FilePastTheLimitIsNotRead)
{
    TempDir dir;
    dir.write("f", "12345");
    std::string out = "old";
    EXPECT_EQ(readWholeFile(dir.file("f"), out, 4), kTooLarge);
    EXPECT_EQ(out, "old");
    EXPECT_EQ(readWholeFile(dir.file("f"), out, 5), 0);
    EXPECT_EQ(out, "12345");
}

TEST(ReadOpenFile, FileThatChangedSizeSinceItsOpenIsReadToItsRealEndOrRefused)
{
    TempDir dir;
    struct Row {
        std::string after; // the file's bytes once it has been opened
        std::size_t limit;
        int result;
        std::string read;
    };
    const std::string grown = "before" + std::string(200000, 'g');
    for (const Row& row :
         {Row{grown, kAnySize, 0, grown}, Row{"bef", kAnySize, kReadBeyondEnd, "old"},
          Row{"before and after", 10, kTooLarge, "old"}}) {
        dir.write("f", "before");
        FileDescriptor file;
        off_t size = 0;
        ASSERT_EQ(openForReading(dir.file("f"), file, size), 0);
        EXPECT_EQ(::fcntl(file.get(), F_GETFL) & O_ACCMODE, O_RDONLY);
        std::FILE* writer = std::fopen(dir.file("f").c_str(), "w");
        ASSERT_NE(writer, nullptr);
        std::fwrite(row.after.data(), 1, row.after.size(), writer);
        std::fclose(writer);
        std::string out = "old";
        EXPECT_EQ(readOpenFile(file.get(), size, out, row.limit), row.result);
        EXPECT_EQ(out, row.read);
    }
}
} // namespace
