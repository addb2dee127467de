#include "backup/KeepSettings.h"

#include "base/IniFile.h"

#include <charconv>

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

int writeKeepDeleted(const SettingsFiles& files, bool keep)
{
    return writeSetting(files, KeepSettings::kSection, kKeepKey, keep ? "1" : "0");
}

std::string trashFolder()
{
    const std::string data = userFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? data : data + "/zandrel/trash";
}

} // namespace zandrel
