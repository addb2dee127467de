#include "PhoneIni.h"

#include "HostFiles.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <sstream>
#include <sys/stat.h>

namespace p2kemu {

namespace {

constexpr int kMaxRestartMs = 600000;

std::string unreadableText(int error)
{
    switch (error) {
    case ELOOP:
        return "a symbolic link";
    case EINVAL:
        return "not a regular file";
    case EFBIG:
        return "larger than " + std::to_string(PhoneIniWatcher::kMaxIniBytes) + " bytes";
    default:
        return std::strerror(error);
    }
}

std::string_view trimmed(std::string_view text)
{
    const char* blanks = " \t\r\v\f";
    std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

template <typename Number> bool parseNumber(std::string_view text, Number& value)
{
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

void applyKey(PhoneSettings& settings, const std::string& key, std::string_view value,
              std::vector<std::string>& problems)
{
    auto complain = [&] {
        problems.push_back("phone.ini: " + key + "=" + std::string(value) +
                           " makes no sense, the default is used");
    };
    if (key == "connected") {
        if (value == "1" || value == "0")
            settings.connected = value == "1";
        else
            complain();
    } else if (key == "capacity") {
        if (!parseNumber(value, settings.capacity))
            complain();
    } else if (key == "model") {
        settings.model = value;
    } else if (key == "restart_ms") {
        int ms = 0;
        if (parseNumber(value, ms) && ms >= 0 && ms <= kMaxRestartMs)
            settings.restartMs = ms;
        else
            complain();
    } else {
        problems.push_back("phone.ini: unknown key " + key + " is ignored");
    }
}

} // namespace

PhoneSettings parsePhoneIni(std::string_view text, std::vector<std::string>& problems)
{
    PhoneSettings settings;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[')
            continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            problems.push_back("phone.ini: line without '=' is ignored: " + std::string(line));
            continue;
        }
        applyKey(settings, lowered(trimmed(line.substr(0, equals))),
                 trimmed(line.substr(equals + 1)), problems);
    }
    return settings;
}

std::string defaultPhoneIni()
{
    return "; Settings of Zandrel's phone emulator (libp2kapi.so).\n"
           "; Edit and save this file while Zandrel runs: the emulator reads it again at its\n"
           "; next call, so connected=0 unplugs the phone and connected=1 plugs it back in.\n"
           "; Lines starting with ';' or '#' are comments.\n"
           "\n"
           "[Phone]\n"
           "; 1 = the phone is plugged in, 0 = it is not.\n"
           "connected=1\n"
           "\n"
           "; The phone's memory in bytes. Free space is this minus the size of every file\n"
           "; under fs/; an upload that does not fit fails.\n"
           "capacity=5242880\n"
           "\n"
           "; The phone's model, shown in journal.log.\n"
           "model=C650\n"
           "\n"
           "; How long the phone is away after a restart, in milliseconds.\n"
           "restart_ms=3000\n";
}

std::string describe(const PhoneSettings& settings)
{
    std::ostringstream text;
    text << (settings.connected ? "connected" : "not connected") << ", " << settings.capacity
         << " bytes, model " << settings.model << ", restart " << settings.restartMs << " ms";
    return text.str();
}

void PhoneIniWatcher::setFile(std::string path)
{
    *this = PhoneIniWatcher();
    path_ = std::move(path);
}

bool PhoneIniWatcher::useDefaults(std::string trouble, std::vector<std::string>& notes)
{
    bool changed = !seen_ || trouble_ != trouble;
    seen_ = true;
    trouble_ = std::move(trouble);
    if (changed) {
        settings_ = PhoneSettings();
        notes.push_back(trouble_ + ", defaults are used: " + describe(settings_));
    }
    return changed;
}

bool PhoneIniWatcher::refresh(std::vector<std::string>& notes)
{
    struct stat info {};
    if (::lstat(path_.c_str(), &info) != 0)
        return useDefaults("phone.ini is missing", notes);
    // Timestamps move in clock ticks of a few milliseconds; two edits within one tick that keep
    // the size would look unchanged, so a file younger than two seconds is always read again.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    bool recent = now.tv_sec - info.st_mtim.tv_sec < 2;
    bool same = seen_ && trouble_.empty() && info.st_mtim.tv_sec == mtime_.tv_sec &&
                info.st_mtim.tv_nsec == mtime_.tv_nsec && info.st_size == size_ &&
                info.st_ino == inode_;
    if (same && !recent)
        return false;
    // A FIFO, a device or a link (to /dev/zero, say) would hang the start or fill the memory.
    std::string text;
    if (int error = readRegularFile(path_, text, kMaxIniBytes))
        return useDefaults("phone.ini cannot be read (" + unreadableText(error) + ")", notes);
    std::vector<std::string> problems;
    PhoneSettings settings = parsePhoneIni(text, problems);
    bool differs = !seen_ || !trouble_.empty() || settings.connected != settings_.connected ||
                   settings.capacity != settings_.capacity || settings.model != settings_.model ||
                   settings.restartMs != settings_.restartMs;
    seen_ = true;
    trouble_.clear();
    mtime_ = info.st_mtim;
    size_ = info.st_size;
    inode_ = info.st_ino;
    settings_ = settings;
    // A recent file read again with the same content is no news for the journal.
    if (same || (!differs && problems.empty()))
        return false;
    notes.insert(notes.end(), problems.begin(), problems.end());
    notes.push_back("phone.ini read: " + describe(settings_));
    return true;
}

} // namespace p2kemu
