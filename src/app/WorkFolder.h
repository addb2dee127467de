#pragma once
#include <string>

namespace zandrel {

// The samples and READMEs the working folders are made from, installed in the share folder:
//   orfiles/ and seem/              the demo's made-up stock files and seem record
//   work-folder-README.txt          what goes into a real phone's working folder
//   emulator-folder-README.txt      what the emulator's working folder holds
struct WorkFolderSource {
    std::string shareFolder; // empty, or a folder without them, makes the folders bare
};

// Makes a working folder ready before the program works in it: orfiles/ and seem/ and a
// README.txt. The demo phone's folder gets every sample file it lacks (a file already there is
// never replaced), so every tool can be tried. A real phone's folder never gets one: it starts
// empty for the user's own stock files, and a sample an earlier version put there (the same
// bytes as the installed sample) is taken out, since the tools would upload its made-up content
// to the phone. Returns 0, or the error number of the first failure with its path in failedPath;
// the steps after a failure are still tried.
[[nodiscard]] int prepareWorkFolder(const std::string& folder, const WorkFolderSource& source,
                                    bool demoPhone, std::string& failedPath);

} // namespace zandrel
