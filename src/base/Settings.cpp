#include "base/Settings.h"

#include "base/IniFile.h"

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

const char* languageFileName(bool english) { return english ? "eng.lng" : "rus.lng"; }

} // namespace zandrel
