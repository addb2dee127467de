#pragma once
#include <string>
#include <vector>

namespace zandrel {

// What the user asked for when starting the program:
//   zandrel [--work-folder] [--emulator] [FILE]      zandrel --help | --version
struct CommandLine {
    bool workFolder = false; // work in the phone kind's own working folder
    bool emulator = false;   // the launcher has put the emulator in place; implies workFolder
    bool help = false;
    bool version = false;
    std::string file;  // a clean list to open, as given; empty for none
    std::string error; // why the arguments cannot be taken; empty when they can
};

// args: the arguments after the program's name. "--" ends the options, so a file whose name
// starts with '-' can be given after it. Qt's own options (-platform xcb, -reverse...) are
// passed over: they would change the program behind the user's back.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The text --help shows.
std::string usageText();

// A relative file name made absolute against the folder the program was started in, so that
// changing to the working folder does not change which file it names.
std::string absoluteFrom(const std::string& startFolder, const std::string& file);

} // namespace zandrel
