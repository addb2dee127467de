#include "app/CommandLine.h"

namespace zandrel {

namespace {
// Qt's own options, and how many values follow each. They are passed over, as they always were:
// Qt never sees them, and a script that gives one still starts the program.
int qtOptionValues(const std::string& arg)
{
    for (const char* option : {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                               "-style", "-stylesheet", "-session", "-display", "-geometry",
                               "-qwindowgeometry", "-qwindowicon", "-qwindowtitle", "-title"})
        if (arg == option)
            return 1;
    for (const char* option : {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"})
        if (arg == option)
            return 0;
    return -1;
}
} // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine line;
    bool options = true;
    int skip = 0;
    for (const std::string& arg : args) {
        if (skip > 0) {
            --skip;
        } else if (options && qtOptionValues(arg) >= 0) {
            skip = qtOptionValues(arg);
        } else if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--work-folder") {
            line.workFolder = true;
        } else if (options && arg == "--emulator") {
            line.emulator = line.workFolder = true;
        } else if (options && (arg == "--help" || arg == "-h")) {
            line.help = true;
        } else if (options && arg == "--version") {
            line.version = true;
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            line.error = "unknown option '" + arg + "'";
            return line;
        } else if (arg.empty()) {
            // A desktop's empty %f: no file.
        } else if (!line.file.empty()) {
            line.error = "only one clean list can be opened at a time";
            return line;
        } else {
            line.file = arg;
        }
    }
    return line;
}

std::string usageText()
{
    return "Usage: zandrel [--work-folder] [--emulator] [FILE]\n"
           "       zandrel --help | --version\n"
           "\n"
           "  FILE           a clean list (*.df) to open, as File > Open list does; given while\n"
           "                 Zandrel runs, it is opened in the running window\n"
           "  --work-folder  work in $XDG_DATA_HOME/zandrel/work, made with empty orfiles/ and\n"
           "                 seem/ folders for your stock files and a README, as the menu entry\n"
           "                 does; without it the current directory is the working folder\n"
           "  --emulator     talk to the phone emulator instead of a phone on USB, in the\n"
           "                 emulator's own working folder $XDG_DATA_HOME/zandrel/emulator/work\n"
           "                 (with sample files) and with its own deleted files, as the menu's\n"
           "                 emulator action does\n"
           "  --help         show this text\n"
           "  --version      show the version\n";
}

std::string absoluteFrom(const std::string& startFolder, const std::string& file)
{
    if (file.empty() || file[0] == '/' || startFolder.empty())
        return file;
    return startFolder.back() == '/' ? startFolder + file : startFolder + '/' + file;
}

} // namespace zandrel
