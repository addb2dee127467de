#include "app/CommandLine.h"

namespace zandrel {

CommandLine parseCommandLine(const std::vector<std::string>& args)
{
    CommandLine line;
    bool options = true;
    for (const std::string& arg : args) {
        if (options && arg == "--") {
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
