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

// "eng.lng" or "rus.lng".
const char* languageFileName(bool english);

} // namespace zandrel
