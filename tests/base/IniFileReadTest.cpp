#include "base/IniFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

using namespace zandrel;

namespace {
struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string fallback;
    std::string expected;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

const std::string kLong(3000, 'a');
const std::string kCut(2047, 'a');

const ReadCase kCases[] = {
    // Names
    {"NamesIgnoreCase", "[LANGUAGE]\r\nLANGUAGE=English\r\n", "Language", "language", "d",
     "English"},
    {"SectionNameWithSpace", "[My Section]\r\nk=1\r\n", "my section", "K", "d", "1"},
    {"BlanksAroundEverything", " \t[ \tLanguage\v ]  \r\n \t Language \v=\t English \v\r\n",
     "Language", "Language", "d", "English"},
    {"BlanksInsideValueKept", "[s]\r\nk= a \t b \r\n", "s", "k", "d", "a \t b"},
    {"ValueAfterFirstEquals", "[s]\nk = a=b = c\n", "s", "k", "d", "a=b = c"},
    {"NameEndsAtFirstBracket", "[s]x]\r\nk=1\r\n", "s", "k", "d", "1"},
    {"RestOfSectionLineIgnored", "[s] k=1\r\nj=2\r\n", "s", "k", "d", "d"},
    {"RestOfSectionLineDoesNotHideNextKey", "[s] k=1\r\nj=2\r\n", "s", "j", "d", "2"},
    {"BracketWithoutCloseOpensSection", "[ s \r\nk=1\r\n", "s", "k", "d", "1"},
    {"NonAsciiBytesUnchanged", "[s]\r\nk=\xC0\xE1\x98\r\n", "s", "k", "d", "\xC0\xE1\x98"},
    // Quotes
    {"DoubleQuotesRemoved", "[s]\r\nk=\"  x  \"\r\n", "s", "k", "d", "  x  "},
    {"SingleQuotesRemoved", "[s]\r\nk='x'\r\n", "s", "k", "d", "x"},
    {"QuotesAfterTrimming", "[s]\r\nk= \t'x' \r\n", "s", "k", "d", "x"},
    {"MismatchedQuotesKept", "[s]\r\nk=\"x'\r\n", "s", "k", "d", "\"x'"},
    {"LoneQuoteKept", "[s]\r\nk=\"\r\n", "s", "k", "d", "\""},
    {"EmptyQuotes", "[s]\r\nk=''\r\n", "s", "k", "d", ""},
    {"OnlyOnePairRemoved", "[s]\r\nk=\"\"x\"\"\r\n", "s", "k", "d", "\"x\""},
    {"InnerQuotesKept", "[s]\r\nk=a\"b\"\r\n", "s", "k", "d", "a\"b\""},
    {"LeadingQuoteOnlyKept", "[s]\r\nk=\"ab\r\n", "s", "k", "d", "\"ab"},
    // Missing and empty
    {"MissingSection", "[t]\r\nk=1\r\n", "s", "k", "dflt", "dflt"},
    {"MissingKey", "[s]\r\nj=1\r\n", "s", "k", "dflt", "dflt"},
    {"EmptyFile", "", "s", "k", "dflt", "dflt"},
    {"EmptyValue", "[s]\r\nk=\r\n", "s", "k", "dflt", ""},
    {"BlankValue", "[s]\r\nk= \t \r\n", "s", "k", "dflt", ""},
    {"EmptyValueOnLastLine", "[s]\r\nk=", "s", "k", "dflt", ""},
    {"DefaultLosesTrailingSpaces", "", "s", "k", "dflt   ", "dflt"},
    {"DefaultKeepsOtherBlanks", "", "s", "k", " \tdflt\t ", " \tdflt\t"},
    {"DefaultOfSpacesOnly", "", "s", "k", "   ", ""},
    // Length
    {"LongValueCut", "[s]\r\nk=" + kLong + "\r\n", "s", "k", "d", kCut},
    {"LongDefaultCut", "", "s", "k", kLong, kCut},
    {"LongDefaultCutAfterSpaces", "", "s", "k", kLong + "   ", kCut},
    {"ValueOfMaxLengthWhole", "[s]\r\nk=" + kCut + "\r\n", "s", "k", "d", kCut},
    {"QuotesRemovedBeforeCut", "[s]\r\nk=\"" + kCut + "\"\r\n", "s", "k", "d", kCut},
    // Line ends
    {"LfOnly", "[a]\nk=1\n[s]\nk=2\n", "s", "k", "d", "2"},
    {"CrOnly", "[a]\rk=1\r[s]\rk=2\r", "s", "k", "d", "2"},
    {"CrOnlyNoBleed", "[s]\rk=1\rj=2", "s", "k", "d", "1"},
    {"MixedLineEnds", "[a]\r\nk=1\r[s]\nk=2\r\n", "s", "k", "d", "2"},
    {"NoFinalLineEnd", "[s]\r\nk=2", "s", "k", "d", "2"},
    // Structure
    {"FirstSectionOnly", "[s]\r\nk=1\r\n[S]\r\nk=2\r\nj=3\r\n", "s", "k", "d", "1"},
    {"SecondSectionNotSearched", "[s]\r\nk=1\r\n[S]\r\nk=2\r\nj=3\r\n", "s", "j", "d", "d"},
    {"FirstKeyWins", "[s]\r\nk=1\r\nK=2\r\n", "s", "k", "d", "1"},
    {"KeyOfOtherSectionNotFound", "[a]\r\nk=1\r\n[b]\r\nj=2\r\n", "a", "j", "d", "d"},
    {"KeysBeforeFirstSectionBelongToNone", "k=1\r\n[s]\r\n", "s", "k", "d", "d"},
    {"KeysBeforeFirstSectionNotInEmptyName", "k=1\r\n[s]\r\n", "", "k", "d", "d"},
    {"CommentLineNotAKey", "[s]\r\n;k=1\r\n", "s", "k", "d", "d"},
    {"IndentedCommentLine", "[s]\r\n \t;k=1\r\nk=2\r\n", "s", "k", "d", "2"},
    {"HashIsOrdinary", "[s]\r\n#k=1\r\n", "s", "#k", "d", "1"},
    {"NoEndOfLineComment", "[s]\r\nk=1 ; note\r\n", "s", "k", "d", "1 ; note"},
    {"LineWithoutEqualsNotAKey", "[s]\r\nk\r\nk=2\r\n", "s", "k", "d", "2"},
    {"LineWithoutEqualsAlone", "[s]\r\nk\r\n", "s", "k", "d", "d"},
    {"BomIsPartOfFirstLine", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "d", "d"},
    {"BomBeforeSecondSectionIrrelevant", "\xEF\xBB\xBF[a]\r\n[s]\r\nk=1\r\n", "s", "k", "d", "1"},
};

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, GivesExpectedValue)
{
    const ReadCase& c = GetParam();
    const IniFile file = IniFile::fromBytes(c.file);
    EXPECT_EQ(file.read(c.section, c.key, c.fallback), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Rules, IniRead, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ReadCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(IniLoad, MissingFileGivesDefaults)
{
    TempDir dir;
    const IniFile file = IniFile::load(dir.file("missing.ini"));
    EXPECT_EQ(file.read("s", "k", "dflt  "), "dflt");
    EXPECT_TRUE(file.bytes().empty());
}

TEST(IniLoad, FolderInPlaceOfFileGivesDefaults)
{
    TempDir dir;
    dir.write("x.ini/inner", "");
    EXPECT_EQ(IniFile::load(dir.file("x.ini")).read("s", "k", "dflt"), "dflt");
}

TEST(IniLoad, ReadsFileFromDisk)
{
    TempDir dir;
    dir.write("x.ini", "[s]\r\nk=1\r\n[t]\nk=2");
    const IniFile file = IniFile::load(dir.file("x.ini"));
    EXPECT_EQ(file.read("s", "k", "d"), "1");
    EXPECT_EQ(file.read("T", "K", "d"), "2");
}
} // namespace
