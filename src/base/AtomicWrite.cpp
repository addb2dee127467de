#include "base/AtomicWrite.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
constexpr int kMaxLinks = 40; // as many as the system follows before it says ELOOP
// Room for ".", the marker, a pid and "-XXXXXX" within a file name's 255 bytes.
constexpr std::size_t kMaxNameInPrefix = 200;

// Bytes written so far go to `written`, so a caller can tell a clean failure from a partial one.
int writeAll(int fd, const ByteProducer& produce, std::size_t& written)
{
    written = 0;
    return produce([fd, &written](std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::write(fd, bytes.data(), bytes.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            written += static_cast<std::size_t>(n);
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return 0;
    });
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string nameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// The file a chain of symbolic links ends at; a link to a missing file names the file to make.
int followLinks(const std::string& path, std::string& target)
{
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        if (hops == kMaxLinks)
            return ELOOP;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0)
            return errno;
        link.resize(static_cast<std::size_t>(n));
        target = link.starts_with('/') ? link : folderOf(target) + "/" + link;
    }
}

// The pid in a temporary file's name after its prefix, or 0.
pid_t writerOf(std::string_view rest)
{
    pid_t pid = 0;
    for (const char c : rest) {
        if (c == '-')
            return pid;
        if (c < '0' || c > '9' || pid > 99999999)
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return 0;
}

// Earlier versions named their temporary files ".zandrel-XXXXXX", without the file or the
// writer; one that has not changed for this long is no write in progress.
bool leftByEarlierVersion(int dir, std::string_view name)
{
    constexpr std::string_view kEarlierPrefix = ".zandrel-";
    constexpr std::size_t kRandomPart = 6;
    constexpr time_t kQuietSeconds = 600;
    if (name.size() != kEarlierPrefix.size() + kRandomPart || !name.starts_with(kEarlierPrefix))
        return false;
    struct stat st {};
    return ::fstatat(dir, std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode) && st.st_mtime < ::time(nullptr) - kQuietSeconds;
}

// A temporary file whose writer is gone was left by a process killed mid-write.
bool isStale(int dir, std::string_view name, const std::string& prefix)
{
    if (!name.starts_with(prefix))
        return leftByEarlierVersion(dir, name);
    const pid_t writer = writerOf(name.substr(prefix.size()));
    return writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH;
}

void removeStaleTemporaries(const std::string& folder, const std::string& prefix)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir))
        if (isStale(::dirfd(dir), entry->d_name, prefix))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    ::closedir(dir);
}

// The rename is only lasting once the folder that holds it is on the disk.
void syncFolder(const std::string& folder)
{
    const FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

// `folderRefused`: no temporary file could be made because the folder takes no new file.
int writeThroughTemporary(const std::string& target, const ByteProducer& produce, mode_t mode,
                          bool& folderRefused)
{
    const std::string folder = folderOf(target);
    const std::string prefix = temporaryPrefix(nameOf(target));
    removeStaleTemporaries(folder, prefix);
    std::string temporary = folder + "/" + prefix + std::to_string(::getpid()) + "-XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        folderRefused = errno == EACCES || errno == EPERM;
        return errno;
    }
    std::size_t written = 0;
    int err = writeAll(file.get(), produce, written);
    if (err == 0 && ::fchmod(file.get(), mode) != 0)
        err = errno;
    if (err == 0 && ::fsync(file.get()) != 0)
        err = errno;
    if (const int closeErr = file.close(); err == 0)
        err = closeErr;
    if (err == 0 && ::rename(temporary.c_str(), target.c_str()) != 0)
        err = errno;
    if (err != 0) {
        ::unlink(temporary.c_str());
        return err;
    }
    syncFolder(folder);
    return 0;
}

// Only where no temporary file can be made: the old bytes are overwritten, then cut to length.
int writeInPlace(const std::string& target, const ByteProducer& produce)
{
    FileDescriptor file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return errno;
    std::size_t written = 0;
    int err = writeAll(file.get(), produce, written);
    if (err == 0 && ::ftruncate(file.get(), static_cast<off_t>(written)) != 0)
        err = errno;
    if (err == 0 && ::fsync(file.get()) != 0)
        err = errno;
    if (const int closeErr = file.close(); err == 0)
        err = closeErr;
    return err != 0 && written > 0 ? kHalfWritten : err;
}
} // namespace

std::string temporaryPrefix(std::string_view fileName)
{
    return "." + std::string(fileName.substr(0, kMaxNameInPrefix)) + ".zandrel-";
}

int writeFileAtomically(const std::string& path, std::string_view bytes)
{
    return writeFileAtomically(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}

int writeFileAtomically(const std::string& path, const ByteProducer& produce)
{
    std::string target;
    if (const int err = followLinks(path, target))
        return err;
    mode_t mode = 0666;
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (S_ISDIR(old.st_mode))
            return EISDIR;
        // A pipe or device in its place would hang the write or be replaced by a plain file.
        if (!S_ISREG(old.st_mode))
            return EACCES;
        // A read-only file stays read-only: the rename would otherwise replace it silently.
        if (::access(target.c_str(), W_OK) != 0)
            return errno;
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    bool folderRefused = false;
    const int err = writeThroughTemporary(target, produce, mode, folderRefused);
    return folderRefused && exists ? writeInPlace(target, produce) : err;
}

} // namespace zandrel
