#include "SeemFiles.h"

#include "Config.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kusb {

namespace {

// Backups made within the same second get -2, -3, ... after the time.
constexpr int kMaxSameSecond = 100;

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // Closes now, so a failing close is noticed.
    bool close()
    {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string backupStem(std::uint16_t seem, std::uint16_t record)
{
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    char stem[64];
    std::snprintf(stem, sizeof stem, "%04x_%04x-%s", unsigned(seem), unsigned(record), stamp);
    return stem;
}

// Gives the finished temporary file its name without replacing anything: link() fails on an
// existing name where rename() would overwrite it.
Outcome<std::string> linkUnderFreeName(int dir, const std::string& temp, const std::string& stem)
{
    for (int n = 1; n <= kMaxSameSecond; ++n) {
        std::string name = stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".seem";
        if (::linkat(dir, temp.c_str(), dir, name.c_str(), 0) == 0)
            return name;
        if (errno != EEXIST)
            break;
    }
    return kHostError;
}

} // namespace

bool writeAll(int fd, const Bytes& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += std::size_t(wrote);
    }
    return true;
}

Outcome<Bytes> readLocalFile(int fd, std::size_t limit)
{
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return kBadArgument;
    Bytes bytes(limit + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::pread(fd, bytes.data() + got, bytes.size() - got, off_t(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EBADF ? kBadArgument : kHostError;
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    if (got > limit)
        return kBadArgument;
    bytes.resize(got);
    return bytes;
}

std::string seemBackupFolder()
{
    std::string data = xdgFolder("XDG_DATA_HOME", ".local/share");
    return data.empty() ? std::string() : data + "/zandrel/seem-backup";
}

Outcome<std::string> writeSeemBackup(std::uint16_t seem, std::uint16_t record, const Bytes& bytes)
{
    std::string folder = seemBackupFolder();
    std::error_code ec;
    if (folder.empty() || (std::filesystem::create_directories(folder, ec), ec))
        return kHostError;
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return kHostError;
    const std::string stem = backupStem(seem, record);
    const std::string temp = "." + stem + "-" + std::to_string(::getpid()) + ".tmp";
    Fd file(::openat(dir.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.get() < 0)
        return kHostError;
    bool written = writeAll(file.get(), bytes) && ::fsync(file.get()) == 0 && file.close();
    auto name =
        written ? linkUnderFreeName(dir.get(), temp, stem) : Outcome<std::string>(kHostError);
    ::unlinkat(dir.get(), temp.c_str(), 0);
    if (!name.ok() || ::fsync(dir.get()) != 0)
        return kHostError;
    return folder + "/" + name.value();
}

} // namespace p2kusb
