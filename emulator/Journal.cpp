#include "Journal.h"

#include "EmulatorResults.h"

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
    if (::stat(path_.c_str(), &info) == 0 &&
        static_cast<std::uint64_t>(info.st_size) >= kRotateBytes)
        std::rename(path_.c_str(), (path_ + ".1").c_str());
    // The journal is a help, not a duty: a failed write does not fail the call.
    int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    std::string text = line + "\n";
    [[maybe_unused]] ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

} // namespace p2kemu
