#pragma once
#include "base/Prompts.h"

#include <cstddef>
#include <string>

namespace zandrel {

// What the deleting operations ask before each phone file goes: keep a copy if you can. Keeping
// never stops a delete.
class DeletionKeeper {
public:
    virtual ~DeletionKeeper() = default;
    // The records a read of the phone's list has just filled: their sizes spare the next run a
    // listing of its own.
    virtual void lastRead(const unsigned char* records, std::size_t count) = 0;
    // Right before File_Delete of path. The first call starts a deletion run.
    virtual void keep(const std::string& path) = 0;
    // Ends the run: how many files were not kept and why, or empty when every one was (or
    // nothing was to be kept).
    virtual std::string endRun() = 0;
    // An upload failed after its old phone file was deleted: the copy kept of it this run goes
    // back, or the user is told where it is.
    virtual void uploadFailed(const std::string& path, Prompts& prompts) = 0;
};

} // namespace zandrel
