// Where Zandrel.ini lives: beside a portable copy, in the user's config folder for an installed
// one whose program folder cannot be written.
#include "base/Settings.h"

#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace zandrel;

namespace {
enum class Place { Beside, ConfigHome, HomeConfig };

struct Case {
    const char* name;
    bool writable;
    std::optional<std::string> xdg; // relative to the temporary folder when it starts with "/"
    bool home;
    bool ownFileExists;
    Place read;
    Place write;
};

const Case kCases[] = {
    {"PortableCopyIgnoresTheConfigFolder", true, "/config", true, true, Place::Beside,
     Place::Beside},
    {"InstalledFirstRunReadsBesideWritesConfig", false, "/config", true, false, Place::Beside,
     Place::ConfigHome},
    {"InstalledReadsItsOwnFileOnceThere", false, "/config", true, true, Place::ConfigHome,
     Place::ConfigHome},
    {"UnsetXdgMeansHomeConfig", false, std::nullopt, true, false, Place::Beside, Place::HomeConfig},
    {"EmptyXdgMeansHomeConfig", false, "", true, false, Place::Beside, Place::HomeConfig},
    {"RelativeXdgIsIgnored", false, "config", true, true, Place::HomeConfig, Place::HomeConfig},
    {"NoHomeAtAllStaysBeside", false, std::nullopt, false, false, Place::Beside, Place::Beside},
};

class SettingsLocation : public testing::TestWithParam<Case> {};

TEST_P(SettingsLocation, FollowsTheProgramFolderAndEnvironment)
{
    const Case& c = GetParam();
    TempDir tmp;
    const std::string programDir = tmp.file("program") + "/";
    const std::string home = tmp.file("home");
    std::string xdg = c.xdg.value_or("");
    if (xdg.starts_with('/'))
        xdg = tmp.path() + xdg;
    const std::string configHome = c.xdg && xdg.starts_with('/') ? xdg : home + "/.config";
    if (c.ownFileExists) {
        std::filesystem::create_directories(configHome + "/zandrel");
        std::ofstream(configHome + "/zandrel/Zandrel.ini") << "[Language]\r\n";
    }
    auto where = [&](Place place) {
        switch (place) {
        case Place::Beside:
            return programDir + "Zandrel.ini";
        case Place::ConfigHome:
            return xdg + "/zandrel/Zandrel.ini";
        case Place::HomeConfig:
            return home + "/.config/zandrel/Zandrel.ini";
        }
        return std::string();
    };

    const SettingsFiles files = settingsFiles(programDir, c.writable, c.xdg ? xdg.c_str() : nullptr,
                                              c.home ? home.c_str() : nullptr);
    EXPECT_EQ(files.read, where(c.read));
    EXPECT_EQ(files.write, where(c.write));
    // The folder to create is the one the file is written to, and only outside the program's.
    const std::string expectedFolder =
        c.write == Place::Beside ? "" : where(c.write).substr(0, where(c.write).rfind('/'));
    EXPECT_EQ(files.folderToCreate, expectedFolder);
}

INSTANTIATE_TEST_SUITE_P(Cases, SettingsLocation, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An installed copy run twice: the first run finds no setting of its own and creates the
// missing config folders at exit; the second reads what the first wrote.
TEST(SettingsLocationRuns, InstalledCopyKeepsTheLanguageAcrossRuns)
{
    TempDir tmp;
    tmp.write("Zandrel.ini", "[Language]\r\nLanguage=Russian\r\n");
    const std::string programDir = tmp.path() + "/";
    const std::string xdg = tmp.file("missing/config");

    const SettingsFiles first = settingsFiles(programDir, false, xdg.c_str(), nullptr);
    EXPECT_FALSE(readLanguageIsEnglish(first.read));
    ASSERT_EQ(writeLanguageSetting(first, true), 0);
    struct stat info {};
    ASSERT_EQ(::stat((xdg + "/zandrel").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u) << "the user's settings folder is theirs alone";

    const SettingsFiles second = settingsFiles(programDir, false, xdg.c_str(), nullptr);
    EXPECT_EQ(second.read, xdg + "/zandrel/Zandrel.ini");
    EXPECT_TRUE(readLanguageIsEnglish(second.read));
    EXPECT_EQ(tmp.read("Zandrel.ini"), "[Language]\r\nLanguage=Russian\r\n")
        << "the program folder's file is left alone";
}

TEST(SettingsLocationRuns, FolderThatCannotBeCreatedIsAnError)
{
    TempDir tmp;
    tmp.write("config", "a file where a folder should be");
    const std::string xdg = tmp.file("config");
    const SettingsFiles files = settingsFiles(tmp.path() + "/", false, xdg.c_str(), nullptr);
    EXPECT_NE(writeLanguageSetting(files, true), 0);
}

// The one-argument form asks the system whether the program folder can be written.
TEST(SettingsLocationProbe, WritableFolderKeepsTheFileBeside)
{
    TempDir tmp;
    const std::string programDir = tmp.path() + "/";
    EXPECT_EQ(settingsFiles(programDir).write, programDir + "Zandrel.ini");
}

TEST(SettingsLocationProbe, ReadOnlyFolderMovesTheFileToConfig)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can write to any folder";
    TempDir tmp;
    std::filesystem::create_directory(tmp.file("program"));
    ::chmod(tmp.file("program").c_str(), 0555);
    ::setenv("XDG_CONFIG_HOME", tmp.file("config").c_str(), 1);
    const SettingsFiles files = settingsFiles(tmp.file("program") + "/");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(files.write, tmp.file("config") + "/zandrel/Zandrel.ini");
}
} // namespace
