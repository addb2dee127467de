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
        {{"-platform", "xcb", "-reverse", "a.df"}, false, false, "a.df", ""}, // Qt's: passed over
        {{"-x"}, false, false, "", "unknown option '-x'"},
        {{"a.df", "b.df"}, false, false, "a.df", "only one clean list"},
    };
    for (const auto& row : rows) {
        const CommandLine line = parseCommandLine(row.args);
        const std::string context = testing::PrintToString(row.args) + " " + line.error;
        EXPECT_EQ(std::tuple(line.workFolder, line.emulator, line.file),
                  std::tuple(row.workFolder, row.emulator, row.file))
            << context;
        EXPECT_EQ(line.error.empty(), row.error.empty()) << context;
        EXPECT_NE(line.error.find(row.error), std::string::npos) << context;
    }
    EXPECT_TRUE(parseCommandLine({"--help"}).help && parseCommandLine({"--version"}).version);
    EXPECT_EQ(absoluteFrom("/home/u", "a.df"), "/home/u/a.df");
    EXPECT_EQ(absoluteFrom("/", "a.df"), "/a.df");
    EXPECT_EQ(absoluteFrom("/home/u", "/tmp/a.df"), "/tmp/a.df");
}
} // namespace
