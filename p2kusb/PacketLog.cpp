#include "PacketLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kusb {

namespace {

std::string timeStamp()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char withMillis[48];
    std::snprintf(withMillis, sizeof withMillis, "%s.%03dZ", text, static_cast<int>(millis));
    return withMillis;
}

// Without O_NONBLOCK, opening a FIFO with no reader would wait for one for ever.
int openRegular(const std::string& path)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
                    0600);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Rotation renames the file; the session and the USB thread must not both do it.
std::mutex rotation;

} // namespace

std::string hexText(const Bytes& bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * bytes.size());
    for (std::uint8_t byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

std::string PacketLog::line(char tag, std::string_view text)
{
    std::string out = timeStamp();
    out += ' ';
    out += tag;
    out += ' ';
    out += text;
    out += '\n';
    return out;
}

void PacketLog::record(char direction, const Bytes& message) const
{
    if (enabled())
        write(line(direction, hexText(message)));
}

void PacketLog::note(std::string_view text) const
{
    if (enabled())
        write(line('!', text));
}

void PacketLog::unparsed(std::string_view what, const Bytes& bytes) const
{
    if (enabled())
        write(line('?', std::string(what) + ' ' + hexText(bytes)));
}

void PacketLog::write(std::string_view lines) const
{
    if (!enabled() || lines.empty())
        return;
    std::lock_guard lock(rotation);
    int fd = openRegular(path_);
    if (fd < 0)
        return;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && std::uint64_t(info.st_size) + lines.size() > limit_ &&
        info.st_size > 0) {
        ::close(fd);
        if (std::rename(path_.c_str(), (path_ + ".1").c_str()) != 0)
            return;
        fd = openRegular(path_);
        if (fd < 0)
            return;
    }
    // One write in append mode keeps lines whole even with two processes logging.
    [[maybe_unused]] ssize_t written = ::write(fd, lines.data(), lines.size());
    ::close(fd);
}

} // namespace p2kusb
