#pragma once
#include "backup/BackupFolder.h"
#include "backup/BackupTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zandrel {

// Copies every path through File_Fetch into a new backup folder below workingFolder (see
// BackupFolder.h), with progress, Cancel and Stop between files, and says at the end where the
// backup is (its full path), how many files failed and which are no longer on the phone. Each
// file's manifest line is written once the file is whole, so a backup cut short in any way
// holds a manifest for exactly what was copied.
void CreateBackup(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                  const std::vector<std::string>& paths, const std::string& workingFolder,
                  std::int64_t now);

} // namespace zandrel
