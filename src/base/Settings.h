#pragma once
#include <string>

namespace zandrel {

// The folder that holds the program's own file, with its trailing "/", taken from the path the
// system reports for the running executable (not from the command line).
std::string programDirectory();

inline constexpr const char* kSettingsFileName = "Zandrel.ini";

// Section "Language", key "Language", default "Russian"; true only for exactly "English".
bool readLanguageIsEnglish(const std::string& settingsPath);

// Writes "English" or "Russian" to section "Language", key "Language", keeping every other
// line of the file. Returns 0 or an error number; on failure the old file is unchanged.
[[nodiscard]] int writeLanguageSetting(const std::string& settingsPath, bool english);

// Where Zandrel.ini is read from and written to. A portable copy, whose program folder can be
// written, keeps it beside the program. An installed copy cannot write there, so it keeps it in
// $XDG_CONFIG_HOME/zandrel/ (else ~/.config/zandrel/), reading the one beside the program only
// while the user has none of their own yet.
struct SettingsFiles {
    std::string read;
    std::string write;
    std::string folderToCreate; // empty when `write` is beside the program
};

SettingsFiles settingsFiles(const std::string& programDirectory);

// The same choice with the facts given: whether the program folder can be written, and the
// values of XDG_CONFIG_HOME and HOME (null when unset).
SettingsFiles settingsFiles(const std::string& programDirectory, bool programDirectoryWritable,
                            const char* xdgConfigHome, const char* home);

// Creates the settings folder when needed, then writes the setting as above.
[[nodiscard]] int writeLanguageSetting(const SettingsFiles& files, bool english);
// Creates the settings folder when needed, then writes one value, keeping every other line.
[[nodiscard]] int writeSetting(const SettingsFiles& files, const char* section, const char* key,
                               const std::string& value);

// $<variable> when it is absolute, else the home folder (HOME, else the password database) with
// belowHome after it; empty when there is no home either. userFolder("XDG_DATA_HOME",
// ".local/share") is where the user's own data goes.
std::string userFolder(const char* variable, const char* belowHome);

// "eng.lng" or "rus.lng".
const char* languageFileName(bool english);

} // namespace zandrel
