#pragma once
#include "backup/BackupTexts.h"
#include "backup/RestoreFiles.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zandrel {

// A backup is a folder backup/YYYYMMDD-HHMMSS/ of the working folder: each phone file under its
// host name (hostNameOf), and manifest.tsv with a line per file copied:
//   phone path (escaped, see escapePhonePath) TAB size TAB SHA-256 in hex
// after one header line that starts with "#".
inline constexpr const char* kManifestName = "manifest.tsv";

struct ManifestEntry {
    std::string phonePath;
    std::uint64_t size = 0;
    std::string sha256;
};

// Copies every path through File_Fetch into a new backup folder below workingFolder, with
// progress and Cancel, and says at the end where the backup is and how many files failed.
void CreateBackup(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                  const std::vector<std::string>& paths, const std::string& workingFolder,
                  std::int64_t now);

// The manifest of the backup in folder. Returns 0 or an error number for ioErrorText();
// lines that are no manifest lines are left out.
[[nodiscard]] int readManifest(const std::string& folder, std::vector<ManifestEntry>& entries);

// What putting the chosen files of a backup back takes.
RestoreItem restoreItemOf(const std::string& folder, const ManifestEntry& entry);

} // namespace zandrel
