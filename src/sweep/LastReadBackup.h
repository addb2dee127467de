#pragma once
#include "backup/BackupTexts.h"
#include "sweep/SweepSession.h"

#include <string>
#include <vector>

namespace zandrel {

// Every path of the last read, the Java ones included, each once, in the order read.
std::vector<std::string> pathsOfLastRead(const SweepSession& session);

// "Create backup": copies every file of the last read into a new backup folder of the working
// folder. Before any read it asks for one (message 77).
void BackupLastRead(SweepSession& session, const BackupTexts& texts,
                    const std::string& workingFolder);

} // namespace zandrel
