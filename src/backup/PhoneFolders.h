#pragma once
#include <string>

namespace zandrel {

// Where the program keeps what belongs to one kind of phone. The emulator's made-up files must
// never reach a real phone, and a real phone's deleted files must never be offered to the
// emulator: the emulator has a working folder and a trash of its own,
//   real phone   $XDG_DATA_HOME/zandrel/work            $XDG_DATA_HOME/zandrel/trash
//   emulator     $XDG_DATA_HOME/zandrel/emulator/work   $XDG_DATA_HOME/zandrel/emulator/trash
struct PhoneFolders {
    std::string work;
    std::string trash;
};

// Whether a phone kind (PhoneLink::phoneKind) is the demo phone, whose working folder holds the
// sample files.
bool isDemoPhone(const std::string& kind);

// dataHome: $XDG_DATA_HOME or its default; empty (no home at all) gives empty folders.
PhoneFolders phoneFolders(const std::string& kind, const std::string& dataHome);
// The same with the data home of the environment.
PhoneFolders phoneFolders(const std::string& kind);

} // namespace zandrel
