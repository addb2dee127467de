#include "base/ErrorText.h"
#include "base/IniFile.h"

#include "FileSizeLimit.h"
#include "TempDir.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

using namespace zandrel;

namespace {
struct WriteCase {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }

const WriteCase kCases[] = {
    {"EmptyFile", "", "Language", "Language", "Russian", "[Language]\r\nLanguage=Russian\r\n"},
    {"NewSectionAppended", "[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
    {"NewSectionAfterLastLineWithoutEnd", "[a]\r\nx=1", "b", "k", "v",
     "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
    {"NewSectionKeepsLfFile", "[a]\nx=1\n", "b", "k", "v", "[a]\nx=1\n[b]\r\nk=v\r\n"},
    {"NewSectionAfterTrailingBlankLines", "[a]\r\nx=1\r\n\r\n", "b", "k", "v",
     "[a]\r\nx=1\r\n\r\n[b]\r\nk=v\r\n"},
    {"NewSectionAfterKeysOfNone", "k=1\r\n", "s", "k", "v", "k=1\r\n[s]\r\nk=v\r\n"},
    {"NewKeyAfterLastKeyBeforeComments", "[a]\r\nx=1\r\ny=2\r\n;c\r\n\r\n[b]\r\nz=3\r\n", "A", "k",
     "v", "[a]\r\nx=1\r\ny=2\r\nk=v\r\n;c\r\n\r\n[b]\r\nz=3\r\n"},
    {"NewKeyAfterLastKeyNotAfterOtherLines", "[a]\r\n;c\r\nx=1\r\ngarbage\r\n[b]\r\n", "a", "k",
     "v", "[a]\r\n;c\r\nx=1\r\nk=v\r\ngarbage\r\n[b]\r\n"},
    {"NewKeyInSectionWithoutKeys", "[a]\r\n;c\r\n[b]\r\n", "a", "k", "v",
     "[a]\r\nk=v\r\n;c\r\n[b]\r\n"},
    {"NewKeyAfterHeaderWithoutEnd", "[a]", "a", "k", "v", "[a]\r\nk=v\r\n"},
    {"NewKeyAfterLastLineWithoutEnd", "[a]\nx=1", "a", "k", "v", "[a]\nx=1\r\nk=v\r\n"},
    {"NewKeyGoesToFirstSectionOfName", "[a]\r\nx=1\r\n[A]\r\nk=old\r\n", "a", "k", "v",
     "[a]\r\nx=1\r\nk=v\r\n[A]\r\nk=old\r\n"},
    {"CommentedKeyNotReplaced", "[a]\r\n;k=1\r\n", "a", "k", "v", "[a]\r\nk=v\r\n;k=1\r\n"},
    {"ReplaceKeepsFileSpelling", "[LANGUAGE]\r\n  LangUage \t=  english  \r\n", "Language",
     "Language", "English", "[LANGUAGE]\r\nLangUage=English\r\n"},
    {"ReplaceKeepsCrLineEnd", "[a]\rk=1\rj=2\r", "a", "k", "22", "[a]\rk=22\rj=2\r"},
    {"ReplaceOnLastLineWithoutEnd", "[a]\r\nk=1", "a", "k", "v", "[a]\r\nk=v"},
    {"ReplaceFirstKeyOfName", "[a]\r\nk=1\r\nK=2\r\n", "a", "k", "v", "[a]\r\nk=v\r\nK=2\r\n"},
    {"ReplaceWithEmpty", "[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
    {"ValueWrittenAsGiven", "", "a", "k", " \"x\" ", "[a]\r\nk= \"x\" \r\n"},
    {"BracketWithoutCloseIsSection", "[a\r\nx=1\r\n", "a", "k", "v", "[a\r\nx=1\r\nk=v\r\n"},
};

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatItMust)
{
    const WriteCase& c = GetParam();
    IniFile file = IniFile::fromBytes(c.before);
    file.write(c.section, c.key, c.value);
    EXPECT_EQ(file.bytes(), c.after);
}

INSTANTIATE_TEST_SUITE_P(Rules, IniWrite, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<WriteCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(IniWrite, ReadAfterWriteSeesNewValues)
{
    IniFile file = IniFile::fromBytes("[a]\r\nx=1\r\n");
    file.write("a", "x", "2");
    file.write("a", "y", "3");
    file.write("b", "z", "4");
    file.write("A", "Y", "5");
    EXPECT_EQ(file.read("a", "x", "d"), "2");
    EXPECT_EQ(file.read("a", "y", "d"), "5");
    EXPECT_EQ(file.read("b", "z", "d"), "4");
    EXPECT_EQ(file.bytes(), "[a]\r\nx=2\r\ny=5\r\n[b]\r\nz=4\r\n");
}

const std::string kUserFile = "; settings of my phone tool\r\n"
                              "top=level\r\n"
                              "[Other]\n"
                              "key = value with ; semicolon\n"
                              "#hash=1\r"
                              "\r\n"
                              "[ language ] trailing words\r\n"
                              "; the language\r\n"
                              "\tLanguage = \"English\"\t\r\n"
                              "unknown=\xC0\xE1\r\n"
                              "language=second\r\n"
                              ";end\r\n"
                              "[Last]\r\n"
                              "x=1";

TEST(IniWriteValue, ReplacingKeepsEveryOtherByte)
{
    TempDir dir;
    dir.write("Zandrel.ini", kUserFile);
    ASSERT_EQ(writeIniValue(dir.file("Zandrel.ini"), "Language", "Language", "Russian"), 0);
    std::string expected = kUserFile;
    const std::string old = "\tLanguage = \"English\"\t";
    expected.replace(expected.find(old), old.size(), "Language=Russian");
    EXPECT_EQ(dir.read("Zandrel.ini"), expected);
}

TEST(IniWriteValue, CreatesMissingFile)
{
    TempDir dir;
    ASSERT_EQ(writeIniValue(dir.file("new.ini"), "Language", "Language", "Russian"), 0);
    EXPECT_EQ(dir.read("new.ini"), "[Language]\r\nLanguage=Russian\r\n");
}

TEST(IniWriteValue, MissingFolderFails)
{
    TempDir dir;
    const std::string path = dir.file("gone/Zandrel.ini");
    const int err = writeIniValue(path, "a", "k", "v");
    EXPECT_EQ(err, ENOENT);
    EXPECT_EQ(ioErrorText(err, path), "Invalid filename");
    EXPECT_FALSE(dir.exists("gone"));
}

TEST(IniWriteValue, FolderInPlaceOfFileFailsAndStays)
{
    TempDir dir;
    dir.write("Zandrel.ini/keep", "x");
    EXPECT_EQ(writeIniValue(dir.file("Zandrel.ini"), "a", "k", "v"), EISDIR);
    EXPECT_EQ(dir.read("Zandrel.ini/keep"), "x");
}

TEST(IniWriteValue, FailedWriteLeavesOldFileAndNoLeftovers)
{
    TempDir dir;
    dir.write("Zandrel.ini", "[Language]\r\nLanguage=English\r\n");
    int err = 0;
    {
        const FileSizeLimit limit(8);
        err = writeIniValue(dir.file("Zandrel.ini"), "Language", "Language", "Russian");
    }
    EXPECT_EQ(err, EFBIG);
    EXPECT_EQ(dir.read("Zandrel.ini"), "[Language]\r\nLanguage=English\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}
} // namespace
