#include "Journal.h"

#include "EmulatorResults.h"
#include "HostFiles.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kemu {

namespace {

std::string timestamp()
{
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char text[40];
    std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(millis));
    return text;
}

} // namespace

void Journal::call(const std::string& callText, std::int32_t result, const std::string& detail)
{
    std::string line = callText + " -> " + std::to_string(result) + " " + resultName(result);
    if (!detail.empty())
        line += ": " + detail;
    append(timestamp() + "  " + line);
}

void Journal::note(const std::string& text) { append("# " + timestamp() + "  " + text); }

void Journal::append(const std::string& line)
{
    if (path_.empty())
        return;
    struct stat info {};
    bool present = ::lstat(path_.c_str(), &info) == 0;
    // Anything but a regular file (a link, a FIFO nobody reads) is left alone: the journal never
    // writes outside the phone folder and never waits.
    if (present && !S_ISREG(info.st_mode))
        return;
    if (present && static_cast<std::uint64_t>(info.st_size) >= kRotateBytes)
        rotate();
    // The journal is a help, not a duty: a failed write does not fail the call.
    UniqueFd file(::open(
        path_.c_str(),
        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (!file.valid() || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    std::string text = line + "\n";
    [[maybe_unused]] ssize_t written = ::write(file.get(), text.data(), text.size());
}

void Journal::rotate()
{
    // Two programs on one phone folder both see a full journal; only the first to take the lock
    // moves it, the second then finds the new, short one and must not move that over the first.
    std::string folder = path_.substr(0, path_.rfind('/') + 1);
    FolderLock lock(folder.empty() ? "." : folder, kLockWaitMs);
    struct stat info {};
    if (lock.locked() && ::lstat(path_.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        static_cast<std::uint64_t>(info.st_size) >= kRotateBytes)
        ::rename(path_.c_str(), (path_ + ".1").c_str());
}

} // namespace p2kemu
