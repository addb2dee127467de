#pragma once
#include "base/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zandrel {

// How deleted files are kept, from section "Backup" of Zandrel.ini:
//   KeepDeleted=1       0 turns keeping off (the Backup tools menu's check item writes it);
//                       yes/no, true/false and on/off are read too
//   MaxFileKB=16384     a larger phone file is not kept: the user is asked before it goes
//   MaxTotalKB=1048576  the size of Deleted files; the oldest deletion runs go to make room
// A phone's media are a few MB each (ring tones and pictures far less, a recorded video some
// tens of MB); 16 MB keeps nearly all of them and costs about a minute of fetching over a slow
// phone at its worst. 1 GB holds several cleans of a full memory card's usual files and is a
// small part of today's disks. README.md gives the measured fetch speeds behind these.
struct KeepSettings {
    static constexpr const char* kSection = "Backup";
    static constexpr std::uint64_t kDefaultMaxFileKB = 16 * 1024;
    static constexpr std::uint64_t kDefaultMaxTotalKB = 1024 * 1024;
    // Runs older than this go when the program starts.
    static constexpr int kKeepDays = 30;

    bool keep = true;
    std::uint64_t maxFileBytes = kDefaultMaxFileKB * 1024;
    std::uint64_t maxTotalBytes = kDefaultMaxTotalKB * 1024;
    // "Key=value" of each setting that was there but could not be read; such a setting keeps
    // its default (keeping stays on), and the user is told.
    std::vector<std::string> unreadable;

    // A missing file or key gives the default.
    static KeepSettings read(const std::string& settingsPath);
};

// Writes KeepDeleted, making the settings folder when it is missing. Returns 0 or an errno.
[[nodiscard]] int writeKeepDeleted(const SettingsFiles& files, bool keep);

// $XDG_DATA_HOME/zandrel/trash, else ~/.local/share/zandrel/trash; empty without a home.
std::string trashFolder();

} // namespace zandrel
