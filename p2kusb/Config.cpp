#include "Config.h"

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kusb {

namespace {

constexpr std::size_t kMaxConfigBytes = 64 * 1024;

std::string_view trimmed(std::string_view text)
{
    const char* blanks = " \t\r";
    auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::optional<std::uint16_t> hexWord(std::string_view text)
{
    std::uint16_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || text.size() > 4 || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// "22b8:4901"
std::optional<UsbId> usbId(std::string_view text)
{
    auto colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    auto vendor = hexWord(text.substr(0, colon));
    auto product = hexWord(text.substr(colon + 1));
    if (!vendor || !product)
        return std::nullopt;
    return UsbId{*vendor, *product};
}

void applyLine(std::string_view line, LibraryConfig& config)
{
    line = trimmed(line);
    auto equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string_view::npos)
        return;
    std::string_view key = trimmed(line.substr(0, equals));
    std::string_view value = trimmed(line.substr(equals + 1));
    if (key == "packet_log") {
        config.packetLogPath = std::string(value);
    } else if (key == "at_mode_id" || key == "p2k_mode_id") {
        if (auto id = usbId(value))
            (key == "at_mode_id" ? config.atModeIds : config.p2kModeIds).push_back(*id);
    }
}

} // namespace

void applyConfigText(std::string_view text, LibraryConfig& config)
{
    while (!text.empty()) {
        auto end = text.find('\n');
        applyLine(text.substr(0, end), config);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

std::string xdgFolder(const char* variable, const char* fallback)
{
    const char* xdg = std::getenv(variable);
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/" + fallback;
    return {};
}

std::string readConfigFile(const std::string& path, std::size_t maxBytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    std::string text;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        text.resize(maxBytes);
        std::size_t got = 0;
        while (got < maxBytes) {
            ssize_t n = ::read(fd, text.data() + got, maxBytes - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        text.resize(got);
        // A file past the limit is read up to its last whole line within it.
        if (got == maxBytes)
            text.resize(text.rfind('\n') + 1);
    }
    ::close(fd);
    return text;
}

LibraryConfig loadConfig()
{
    LibraryConfig config;
    std::string folder = xdgFolder("XDG_CONFIG_HOME", ".config");
    if (!folder.empty())
        applyConfigText(readConfigFile(folder + "/zandrel/p2kusb.conf", kMaxConfigBytes), config);
    // The environment wins over the file.
    if (const char* log = std::getenv("P2KUSB_LOG"); log && log[0] != '\0')
        config.packetLogPath = log;
    return config;
}

} // namespace p2kusb
