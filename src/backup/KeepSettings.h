#pragma once
#include "base/Settings.h"

#include <cstdint>
#include <string>

namespace zandrel {

// How deleted files are kept, from section "Backup" of Zandrel.ini:
//   KeepDeleted=1    0 turns keeping off (the Backup tools menu's check item writes it)
//   MaxFileKB=1024   a larger phone file is deleted without a copy
//   MaxTotalKB=16384 the trash's size; the oldest deletion runs go to make room
// The limits keep a clean over a slow phone quick: a phone gives a few hundred KB a second.
struct KeepSettings {
    static constexpr const char* kSection = "Backup";
    static constexpr std::uint64_t kDefaultMaxFileKB = 1024;
    static constexpr std::uint64_t kDefaultMaxTotalKB = 16384;
    // Runs older than this go when the program starts.
    static constexpr int kKeepDays = 30;

    bool keep = true;
    std::uint64_t maxFileBytes = kDefaultMaxFileKB * 1024;
    std::uint64_t maxTotalBytes = kDefaultMaxTotalKB * 1024;

    // A missing file or key gives the default; so does a value that is no number.
    static KeepSettings read(const std::string& settingsPath);
};

// Writes KeepDeleted, making the settings folder when it is missing. Returns 0 or an errno.
[[nodiscard]] int writeKeepDeleted(const SettingsFiles& files, bool keep);

// $XDG_DATA_HOME/zandrel/trash, else ~/.local/share/zandrel/trash; empty without a home.
std::string trashFolder();

} // namespace zandrel
