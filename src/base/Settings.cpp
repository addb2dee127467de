#include "base/Settings.h"

#include "base/IniFile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zandrel {

namespace {
constexpr const char* kSection = "Language";
constexpr const char* kKey = "Language";
constexpr const char* kEnglish = "English";
constexpr const char* kRussian = "Russian";

std::string executablePath()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<std::size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        // The link may have been cut to the buffer: try again with a larger one.
        buffer.resize(buffer.size() * 2);
    }
}
bool isAbsolute(const char* path) { return path && path[0] == '/'; }

// An unset, empty or relative XDG_CONFIG_HOME is ignored, as the XDG base directories say.
std::string configHome(const char* xdgConfigHome, const char* home)
{
    if (isAbsolute(xdgConfigHome))
        return xdgConfigHome;
    if (isAbsolute(home))
        return std::string(home) + "/.config";
    return {};
}

std::string homeFromPasswd()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

// Creates `folder` and any missing parent, new ones readable by the user alone.
int createFolders(const std::filesystem::path& folder)
{
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return errno;
    }
    return 0;
}
} // namespace

std::string programDirectory()
{
    const std::string exe = executablePath();
    const auto slash = exe.find_last_of('/');
    // Without a path the names fall back to the working directory.
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

bool readLanguageIsEnglish(const std::string& settingsPath)
{
    return IniFile::load(settingsPath).read(kSection, kKey, kRussian) == kEnglish;
}

int writeLanguageSetting(const std::string& settingsPath, bool english)
{
    return writeIniValue(settingsPath, kSection, kKey, english ? kEnglish : kRussian);
}

SettingsFiles settingsFiles(const std::string& programDirectory, bool programDirectoryWritable,
                            const char* xdgConfigHome, const char* home)
{
    const std::string beside = programDirectory + kSettingsFileName;
    const std::string base = configHome(xdgConfigHome, home);
    // Without a home to go to, the write fails beside the program and says so.
    if (programDirectoryWritable || base.empty())
        return {beside, beside, {}};
    const std::string folder = base + "/zandrel";
    const std::string own = folder + "/" + kSettingsFileName;
    std::error_code error;
    return {std::filesystem::exists(own, error) ? own : beside, own, folder};
}

SettingsFiles settingsFiles(const std::string& programDirectory)
{
    const std::string folder = programDirectory.empty() ? "." : programDirectory;
    const bool writable = ::access(folder.c_str(), W_OK | X_OK) == 0;
    const char* home = std::getenv("HOME");
    const std::string fallbackHome = isAbsolute(home) ? home : homeFromPasswd();
    return settingsFiles(programDirectory, writable, std::getenv("XDG_CONFIG_HOME"),
                         fallbackHome.c_str());
}

int writeSetting(const SettingsFiles& files, const char* section, const char* key,
                 const std::string& value)
{
    if (!files.folderToCreate.empty()) {
        if (const int error = createFolders(files.folderToCreate); error != 0)
            return error;
    }
    return writeIniValue(files.write, section, key, value);
}

int writeLanguageSetting(const SettingsFiles& files, bool english)
{
    return writeSetting(files, kSection, kKey, english ? kEnglish : kRussian);
}

std::string userFolder(const char* variable, const char* belowHome)
{
    const char* set = std::getenv(variable);
    if (isAbsolute(set))
        return set;
    const char* home = std::getenv("HOME");
    const std::string base = isAbsolute(home) ? home : homeFromPasswd();
    return base.empty() ? base : base + "/" + belowHome;
}

const char* languageFileName(bool english) { return english ? "eng.lng" : "rus.lng"; }

} // namespace zandrel
