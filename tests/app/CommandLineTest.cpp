// What the command line asks for, and what it refuses before any window opens.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace zandrel;

namespace {
TEST(CommandLineTest, OptionsAndOneFile)
{
    const struct {
        std::vector<std::string> args;
        bool workFolder, emulator;
        std::string file, error; // error: a part of it, empty when none
    } rows[] = {
        {{}, false, false, "", ""},
        {{"--work-folder", "list.df"}, true, false, "list.df", ""},
        // The emulator works in a folder of its own, as the menu's action does.
        {{"/home/u/list.df", "--emulator"}, true, true, "/home/u/list.df", ""},
        {{"--work-folder", ""}, true, false, "", ""}, // a desktop's empty %f
        {{"--", "--emulator"}, false, false, "--emulator", ""},
        {{"--bogus"}, false, false, "", "unknown option '--bogus'"},
        {{"-platform", "xcb"}, false, false, "", "unknown option '-platform'"},
        {{"a.df", "b.df"}, false, false, "a.df", "only one clean list"},
    };
    for (const auto& row : rows) {
        const CommandLine line = parseCommandLine(row.args);
        const std::string context = testing::PrintToString(row.args) + " " + line.error;
        EXPECT_EQ(line.workFolder, row.workFolder) << context;
        EXPECT_EQ(line.emulator, row.emulator) << context;
        EXPECT_EQ(line.file, row.file) << context;
        if (row.error.empty()) {
            EXPECT_EQ(line.error, "") << context;
        } else {
            EXPECT_NE(line.error.find(row.error), std::string::npos) << context;
        }
    }
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    EXPECT_TRUE(parseCommandLine({"--version"}).version);
}

TEST(CommandLineTest, ARelativeFileIsTakenFromTheStartFolder)
{
    const char* rows[][3] = {{"/home/u", "a.df", "/home/u/a.df"},
                             {"/", "l/a.df", "/l/a.df"},
                             {"/home/u", "/tmp/a.df", "/tmp/a.df"},
                             {"/home/u", "", ""}};
    for (const auto& row : rows)
        EXPECT_EQ(absoluteFrom(row[0], row[1]), row[2]) << row[0] << " " << row[1];
}
} // namespace
