#include "backup/KeepSettings.h"

#include "base/IniFile.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
constexpr const char* kKeepKey = "KeepDeleted";

std::uint64_t kilobytes(const IniFile& file, const char* key, std::uint64_t fallback)
{
    const std::string text = file.read(KeepSettings::kSection, key, "");
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Past this the byte count would not fit.
    constexpr std::uint64_t kLargest = UINT64_MAX / 1024;
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        value > kLargest)
        return fallback * 1024;
    return value * 1024;
}

bool isAbsolute(const char* path) { return path && path[0] == '/'; }
} // namespace

KeepSettings KeepSettings::read(const std::string& settingsPath)
{
    const IniFile file = IniFile::load(settingsPath);
    KeepSettings settings;
    settings.keep = file.read(kSection, kKeepKey, "1") != "0";
    settings.maxFileBytes = kilobytes(file, "MaxFileKB", kDefaultMaxFileKB);
    settings.maxTotalBytes = kilobytes(file, "MaxTotalKB", kDefaultMaxTotalKB);
    return settings;
}

int writeKeepDeleted(const std::string& settingsPath, const std::string& folderToCreate, bool keep)
{
    if (!folderToCreate.empty()) {
        std::error_code error;
        std::filesystem::create_directories(folderToCreate, error);
        if (error)
            return error.value();
        ::chmod(folderToCreate.c_str(), 0700);
    }
    return writeIniValue(settingsPath, KeepSettings::kSection, kKeepKey, keep ? "1" : "0");
}

std::string trashFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (isAbsolute(data))
        return std::string(data) + "/zandrel/trash";
    const char* home = std::getenv("HOME");
    std::string base = isAbsolute(home) ? home : "";
    if (base.empty()) {
        const passwd* entry = ::getpwuid(::getuid());
        base = entry && entry->pw_dir ? entry->pw_dir : "";
    }
    return base.empty() ? std::string() : base + "/.local/share/zandrel/trash";
}

} // namespace zandrel
