#include "SessionFixture.h"

#include "FileSizeLimit.h"
#include "PlainCleanList.h"
#include "TempDir.h"
#include "sweep/CleanListFile.h"
#include "sweep/Cleaning.h"

#include <filesystem>
#include <random>
#include <unistd.h>

using namespace zandrel;

namespace {
TEST(CleanListBytes, EveryLineEndsWithCrLf)
{
    SweepList list;
    EXPECT_EQ(cleanListBytes(list, false), "");
    list.append("/a/x");
    list.append("/a/y");
    list.setTicked(0, true);
    EXPECT_EQ(cleanListBytes(list, true), "/a/x\r\n");
    EXPECT_EQ(cleanListBytes(list, false), "/a/x\r\n/a/y\r\n");
    list.setTicked(0, false);
    EXPECT_EQ(cleanListBytes(list, true), "");
    list.append("");
    list.append("/a/\xC0\x98\xFF");
    EXPECT_EQ(cleanListBytes(list, false), "/a/x\r\n/a/y\r\n\r\n/a/\xC0\x98\xFF\r\n");
}

// A break byte at every offset of paths up to a few sixteen-byte steps long, and paths of the
// writer's buffer size and longer, among short ones.
TEST(CleanListBytes, SeesBreaksAtEveryOffsetAndWritesLongPathsWhole)
{
    for (std::size_t length = 1; length < 50; ++length)
        for (std::size_t at = 0; at < length; ++at)
            for (const char breakByte : {'\r', '\n', '\x1A'}) {
                std::string path(length, 'p');
                path[at] = breakByte;
                SweepList list;
                list.append(path);
                std::size_t leftOut = 0;
                EXPECT_EQ(cleanListBytes(list, false, &leftOut), "") << length << " " << at;
                EXPECT_EQ(leftOut, 1u);
            }
    SweepList list;
    std::string expected;
    for (const std::size_t length : {std::size_t{3}, std::size_t{1} << 18, std::size_t{300000},
                                     std::size_t{5}, (std::size_t{1} << 18) - 2}) {
        list.append(std::string(length, static_cast<char>('a' + length % 26)));
        expected += std::string(length, static_cast<char>('a' + length % 26)) + "\r\n";
    }
    EXPECT_EQ(cleanListBytes(list, false), expected);
}

struct ParseRow {
    std::string bytes;
    Lines lines;
};

class ParseCleanList : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseCleanList, ReadsEveryLineEndForm)
{
    EXPECT_EQ(linesOf(parseCleanList(GetParam().bytes)), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ParseCleanList,
    testing::Values(ParseRow{"", {}}, ParseRow{"a\r\n", {"a"}}, ParseRow{"a\r\nb\r\n", {"a", "b"}},
                    ParseRow{"a\nb\n", {"a", "b"}}, ParseRow{"a\r\nb", {"a", "b"}},
                    ParseRow{"a\nb", {"a", "b"}}, ParseRow{"a\rb\r\n", {"ab"}},
                    ParseRow{"a\r\r\nb", {"a", "b"}}, ParseRow{"a\rb\rc\n", {"abc"}},
                    ParseRow{"a\r", {"a"}}, ParseRow{"\r", {""}}, ParseRow{"\r\n\r\n", {"", ""}},
                    ParseRow{"a\n\nb\n", {"a", "", "b"}}, ParseRow{"\n", {""}},
                    ParseRow{"a\r\n\x1A"
                             "b\r\n",
                             {"a"}},
                    ParseRow{"ab\x1A"
                             "cd",
                             {"ab"}},
                    ParseRow{"\x1A"
                             "a\r\n",
                             {}},
                    ParseRow{"a\r\x1A", {"a"}}, ParseRow{"a\n\r\x1A", {"a", ""}},
                    ParseRow{"a\n\x1A\x1A", {"a"}},
                    ParseRow{std::string("/a/\0x\xFF\r\n", 8), {std::string("/a/\0x\xFF", 6)}}));

// Lines of every length up to a few times the reader's sixteen-byte step, ended by CR LF or LF
// in turn, every third with a stray CR somewhere inside: each line-end byte lands at every
// offset of a step.
TEST(ParseCleanList, FindsLineEndsAtEveryOffset)
{
    std::string bytes;
    Lines expected;
    for (std::size_t length = 0; length < 50; ++length) {
        std::string line;
        for (std::size_t i = 0; i < length; ++i)
            line.push_back(static_cast<char>('a' + i % 26));
        expected.push_back(line);
        if (length % 3 == 1)
            line.insert(length / 2, 1, '\r');
        bytes += line + (length % 2 == 0 ? "\r\n" : "\n");
    }
    EXPECT_EQ(linesOf(parseCleanList(bytes)), expected);
    EXPECT_EQ(linesOf(parseCleanList(bytes.substr(0, bytes.size() - 1))), expected)
        << "a last line without line end counts";
}

// Texts of up to a few hundred bytes, one byte in seven a CR or LF and now and then a 0x1A: their
// stray CRs send the reader a block at a time, with breaks at every offset of a block.
TEST(ParseCleanList, AgreesWithThePlainFormOnMixedTexts)
{
    std::mt19937 random(1);
    for (int text = 0; text < 3000; ++text) {
        std::string bytes(random() % 400, 'a');
        for (char& byte : bytes) {
            const unsigned pick = random() % 512;
            byte = pick < 40 ? '\r' : pick < 75 ? '\n' : pick == 75 ? '\x1A' : 'a' + pick % 26;
        }
        ASSERT_EQ(linesOf(parseCleanList(bytes)), plainCleanListLines(bytes))
            << testing::PrintToString(bytes);
    }
}

TEST(ParseCleanList, ReadsBackWhatWasWritten)
{
    SweepList list;
    for (const char* path : {"/a/x", "", "/a/\xE9\x98.mp3", " /a/y ", "/a/z"})
        list.append(path);
    EXPECT_EQ(linesOf(parseCleanList(cleanListBytes(list, false))),
              (Lines{"/a/x", "", "/a/\xE9\x98.mp3", " /a/y ", "/a/z"}));
}

TEST(CleanListText, EndsEveryLineWithLineFeed)
{
    EXPECT_EQ(cleanListText(pathList({})), "");
    EXPECT_EQ(cleanListText(pathList({"/a/x"})), "/a/x\n");
    EXPECT_EQ(cleanListText(pathList({"/a/x", "", "/a/y"})), "/a/x\n\n/a/y\n");
}

TEST(CleanListText, ViewerTextBackToLines)
{
    const std::vector<ParseRow> rows = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\n\nb", {"a", "", "b"}},
        {"\n", {""}},
        {"a\n\n", {"a", ""}},
        {"a\rb", {"a\rb"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(linesOf(cleanListFromText(row.bytes)), row.lines) << row.bytes;
    for (const auto& lines :
         {pathList({"/a/x", "", "/a/y"}), pathList({"/a/x", ""}), pathList({""})})
        EXPECT_EQ(cleanListFromText(cleanListText(lines)), lines);
}

TEST(CleanListExtension, AddedOnlyWhenMissing)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"list", "list.df"},
        {"list.df", "list.df"},
        {"/tmp/a.b/list", "/tmp/a.b/list.df"},
        {"list.DF", "list.DF.df"},
        {"list.dfx", "list.dfx.df"},
        {"listdf", "listdf.df"},
    };
    for (const auto& [chosen, written] : rows)
        EXPECT_EQ(withCleanListExtension(chosen), written);
}

class CleanListFileTest : public SessionTest {
protected:
    TempDir folder;

    CleanListFileTest() { fillSweep({"/a/x", "/a/y", "/a/z"}, {0, 2}); }
};

TEST_F(CleanListFileTest, SaveListAndSaveCheckedWriteTheFile)
{
    prompts.answerSave(folder.file("all"));
    SaveList(session);
    prompts.answerSave(folder.file("ticked.df"));
    SaveChecked(session);
    EXPECT_EQ(prompts.take(), (Lines{"save", "save"}));
    EXPECT_EQ(folder.read("all.df"), "/a/x\r\n/a/y\r\n/a/z\r\n");
    EXPECT_EQ(folder.read("ticked.df"), "/a/x\r\n/a/z\r\n");
    EXPECT_FALSE(folder.exists("ticked.df.df"));
}

TEST_F(CleanListFileTest, SaveReplacesAnOldFileAndEmptyListGivesZeroBytes)
{
    folder.write("list.df", "old contents\r\n");
    session.sweep.clear();
    prompts.answerSave(folder.file("list"));
    SaveList(session);
    EXPECT_EQ(prompts.take(), (Lines{"save"}));
    EXPECT_EQ(folder.read("list.df"), "");
}

TEST_F(CleanListFileTest, CancelledSaveWritesNothing)
{
    prompts.answerSave(std::nullopt);
    SaveChecked(session);
    EXPECT_EQ(prompts.take(), (Lines{"save"}));
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(CleanListFileTest, FailedSaveShowsTheErrorAndKeepsTheOldFile)
{
    folder.write("full.df", "old\r\n");
    std::filesystem::create_directory(folder.file("folder.df"));
    {
        FileSizeLimit diskFull(4);
        prompts.answerSave(folder.file("full"));
        SaveList(session);
    }
    prompts.answerSave(folder.file("missing/list"));
    SaveList(session);
    prompts.answerSave(folder.file("folder"));
    SaveList(session);
    EXPECT_EQ(prompts.take(),
              (Lines{"save", "error: I/O error 27", "save", "error: Invalid filename", "save",
                     "error: File access denied"}));
    EXPECT_EQ(folder.read("full.df"), "old\r\n");
    EXPECT_FALSE(folder.exists("missing"));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("folder.df")));
    // No temporary file is left behind.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST_F(CleanListFileTest, OpenReplacesTheCleanListAndLeavesTheOtherListsAlone)
{
    folder.write("one.df", "/a/1\r\n/a/2\r\n");
    folder.write("two", "/b/1\n\n/b/3");
    session.java.push_back("/a/mobile/kjava/a.jar");
    prompts.answerOpen(folder.file("one.df"));
    EXPECT_TRUE(OpenCleanList(session));
    EXPECT_EQ(linesOf(session.clean), (Lines{"/a/1", "/a/2"}));
    prompts.answerOpen(folder.file("two")); // the name is used as chosen
    EXPECT_TRUE(OpenCleanList(session));
    EXPECT_EQ(prompts.take(), (Lines{"open", "open"}));
    EXPECT_EQ(linesOf(session.clean), (Lines{"/b/1", "", "/b/3"}));
    EXPECT_EQ(linesOf(session.java), (Lines{"/a/mobile/kjava/a.jar"}));
    EXPECT_EQ(pathsOf(session.sweep), (Lines{"/a/x", "/a/y", "/a/z"}));
}

TEST_F(CleanListFileTest, FailedOrCancelledOpenKeepsTheCleanList)
{
    session.clean.push_back("/keep");
    std::filesystem::create_directory(folder.file("folder.df"));
    prompts.answerOpen(std::nullopt);
    prompts.answerOpen(folder.file("none.df"));
    prompts.answerOpen(folder.file("missing/none.df"));
    prompts.answerOpen(folder.file("folder.df"));
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(OpenCleanList(session));
    EXPECT_EQ(prompts.take(),
              (Lines{"open", "open", "error: File not found", "open", "error: Invalid filename",
                     "open", "error: File access denied"}));
    EXPECT_EQ(linesOf(session.clean), (Lines{"/keep"}));
}

TEST_F(CleanListFileTest, SavedTickedPathsAreAllDeletedFromTheList)
{
    prompts.answerSave(folder.file("ticked"));
    SaveChecked(session);
    prompts.answerOpen(folder.file("ticked.df"));
    OpenCleanList(session);
    CleanByList(session);
    EXPECT_EQ(prompts.take(), (Lines{"save", "open", "information: Deleted successfully"}));
    EXPECT_EQ(phone.calls, (Lines{"File_Delete /a/x", "File_Delete /a/z"}));
}

TEST_F(CleanListFileTest, PathsTheFormatCannotHoldAreLeftOutAndCounted)
{
    // Written raw, "/a/x\r\n/a/y" would come back as two other paths, and 0x1A would end the
    // list; "/a/y" is a real entry that is not ticked.
    fillSweep({"/a/x\r\n/a/y", "/a/y", "/a/cr\rx", "/a/lf\nx", "/a/eof\x1A", "/a/z"},
              {0, 2, 3, 4, 5});
    prompts.answerSave(folder.file("ticked"));
    SaveChecked(session);
    prompts.answerSave(folder.file("all"));
    SaveList(session);
    const std::string note =
        " left out of the list: a clean-list line cannot hold CR, LF or byte 1A";
    EXPECT_EQ(prompts.take(), (Lines{"save", "warning: 4 paths were" + note, "save",
                                     "warning: 4 paths were" + note}));
    for (const auto& [file, lines] :
         {std::pair<std::string, Lines>{"ticked.df", {"/a/z"}}, {"all.df", {"/a/y", "/a/z"}}}) {
        prompts.answerOpen(folder.file(file));
        ASSERT_TRUE(OpenCleanList(session));
        EXPECT_EQ(prompts.take(), (Lines{"open"}));
        EXPECT_EQ(linesOf(session.clean), lines) << file;
    }
}

TEST_F(CleanListFileTest, ListPastTheLimitIsRefusedBeforeItIsRead)
{
    session.clean.push_back("/keep");
    folder.write("huge.df", "");
    // A sparse file: its size passes the limit while it takes no room on the disk.
    ASSERT_EQ(::truncate(folder.file("huge.df").c_str(), kLargestCleanList + 1), 0);
    prompts.answerOpen(folder.file("huge.df"));
    EXPECT_FALSE(OpenCleanList(session));
    EXPECT_EQ(prompts.take(),
              (Lines{"open", "error: Clean list larger than 64 MiB: " + folder.file("huge.df")}));
    EXPECT_EQ(linesOf(session.clean), (Lines{"/keep"}));
}
} // namespace
