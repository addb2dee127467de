#include "base/Settings.h"

#include "TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace zandrel;

namespace {
struct LanguageCase {
    const char* name;
    std::string file; // empty: no settings file at all
    bool english;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const LanguageCase& c, std::ostream* os) { *os << c.name; }

const LanguageCase kCases[] = {
    {"NoFile", "", false},
    {"English", "[Language]\r\nLanguage=English\r\n", true},
    {"Russian", "[Language]\r\nLanguage=Russian\r\n", false},
    {"LowerCaseEnglish", "[Language]\r\nLanguage=english\r\n", false},
    {"UpperCaseEnglish", "[Language]\r\nLanguage=ENGLISH\r\n", false},
    {"EmptyValue", "[Language]\r\nLanguage=\r\n", false},
    {"OtherValue", "[Language]\r\nLanguage=Deutsch\r\n", false},
    {"UpperCaseNames", "[LANGUAGE]\r\nLANGUAGE=English\r\n", true},
    {"BlanksAndQuotes", "  [ Language ]\n Language =  \"English\" \n", true},
    {"OtherSectionOnly", "[Options]\r\nLanguage=English\r\n", false},
    {"MissingKey", "[Language]\r\nLang=English\r\n", false},
    {"LfOnlyFile", "[Language]\nLanguage=English", true},
};

class LanguageSetting : public testing::TestWithParam<LanguageCase> {};

TEST_P(LanguageSetting, IsEnglishOnlyForExactlyEnglish)
{
    TempDir dir;
    if (!GetParam().file.empty())
        dir.write(kSettingsFileName, GetParam().file);
    EXPECT_EQ(readLanguageIsEnglish(dir.file(kSettingsFileName)), GetParam().english);
}

INSTANTIATE_TEST_SUITE_P(Values, LanguageSetting, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<LanguageCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(LanguageSettingWrite, FirstRunCreatesRussian)
{
    TempDir dir;
    ASSERT_EQ(writeLanguageSetting(dir.file(kSettingsFileName), false), 0);
    EXPECT_EQ(dir.read(kSettingsFileName), "[Language]\r\nLanguage=Russian\r\n");
}

TEST(LanguageSettingWrite, RoundTrips)
{
    TempDir dir;
    const std::string path = dir.file(kSettingsFileName);
    for (bool english : {true, false, true}) {
        ASSERT_EQ(writeLanguageSetting(path, english), 0);
        EXPECT_EQ(readLanguageIsEnglish(path), english);
    }
    EXPECT_EQ(dir.read(kSettingsFileName), "[Language]\r\nLanguage=English\r\n");
}

TEST(LanguageSettingWrite, LowerCaseEnglishBecomesRussian)
{
    TempDir dir;
    const std::string path = dir.file(kSettingsFileName);
    dir.write(kSettingsFileName, "[Language]\r\nLanguage=english\r\n");
    ASSERT_EQ(writeLanguageSetting(path, readLanguageIsEnglish(path)), 0);
    EXPECT_EQ(dir.read(kSettingsFileName), "[Language]\r\nLanguage=Russian\r\n");
}

TEST(LanguageSettingWrite, UserSectionsAndKeysSurvive)
{
    TempDir dir;
    dir.write(kSettingsFileName, "[Window]\r\nLeft=10\r\n[LANGUAGE]\r\nMine=1\r\n"
                                 "LANGUAGE = Russian\r\n; note\r\n[Tail]\r\nx=y");
    ASSERT_EQ(writeLanguageSetting(dir.file(kSettingsFileName), true), 0);
    EXPECT_EQ(dir.read(kSettingsFileName), "[Window]\r\nLeft=10\r\n[LANGUAGE]\r\nMine=1\r\n"
                                           "LANGUAGE=English\r\n; note\r\n[Tail]\r\nx=y");
}

TEST(LanguageSettingWrite, KeepsFileMode)
{
    TempDir dir;
    const std::string path = dir.file(kSettingsFileName);
    dir.write(kSettingsFileName, "[Language]\r\nLanguage=Russian\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    ASSERT_EQ(writeLanguageSetting(path, true), 0);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
}

TEST(LanguageSettingWrite, UnwritableLocationReportsError)
{
    TempDir dir;
    EXPECT_EQ(writeLanguageSetting(dir.file("missing/Zandrel.ini"), true), ENOENT);
}

TEST(ProgramDirectory, IsTheFolderOfThisExecutable)
{
    const std::string folder = programDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    struct stat st {};
    // The name this test program was started under, whatever the build called it.
    EXPECT_EQ(::stat((folder + program_invocation_short_name).c_str(), &st), 0) << folder;
}

TEST(LanguageFileName, FollowsTheSetting)
{
    EXPECT_STREQ(languageFileName(true), "eng.lng");
    EXPECT_STREQ(languageFileName(false), "rus.lng");
}
} // namespace
