#include "backup/KeepSettings.h"

#include "base/IniFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

namespace zandrel {

namespace {
constexpr const char* kKeepKey = "KeepDeleted";

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<bool> yesOrNo(const std::string& text)
{
    const std::string word = lowerCase(text);
    for (const char* yes : {"1", "yes", "true", "on"})
        if (word == yes)
            return true;
    for (const char* no : {"0", "no", "false", "off"})
        if (word == no)
            return false;
    return std::nullopt;
}

std::optional<std::uint64_t> kilobytes(const std::string& text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Past this the byte count would not fit.
    constexpr std::uint64_t kLargest = UINT64_MAX / 1024;
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        value > kLargest)
        return std::nullopt;
    return value * 1024;
}
} // namespace

KeepSettings KeepSettings::read(const std::string& settingsPath)
{
    const IniFile file = IniFile::load(settingsPath);
    KeepSettings settings;
    const auto setting = [&](const char* key) { return file.read(kSection, key, ""); };
    // A value that is there but means nothing is told, never taken for a default.
    const auto unreadable = [&](const char* key) {
        settings.unreadable.push_back(std::string(key) + "=" + setting(key));
    };
    if (!setting(kKeepKey).empty()) {
        if (const std::optional<bool> keep = yesOrNo(setting(kKeepKey)))
            settings.keep = *keep;
        else
            unreadable(kKeepKey);
    }
    for (auto [key, bytes] : {std::pair{"MaxFileKB", &settings.maxFileBytes},
                              std::pair{"MaxTotalKB", &settings.maxTotalBytes}}) {
        if (setting(key).empty())
            continue;
        if (const std::optional<std::uint64_t> value = kilobytes(setting(key)))
            *bytes = *value;
        else
            unreadable(key);
    }
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
