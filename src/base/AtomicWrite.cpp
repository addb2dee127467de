#include "base/AtomicWrite.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <cctype>
#include <cerrno>
#include <csignal>
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

// The pid in a temporary file's name after its prefix, when the rest is exactly what
// writeThroughTemporary makes: the pid, "-" and mkostemp's six letters or digits; else 0.
pid_t writerOf(std::string_view rest)
{
    constexpr std::size_t kRandomPart = 6;
    const auto dash = rest.find('-');
    if (dash == 0 || dash > 9 || rest[0] == '0' || rest.size() != dash + 1 + kRandomPart)
        return 0;
    pid_t pid = 0;
    for (const char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9')
            return 0;
        pid = pid * 10 + (c - '0');
    }
    for (const char c : rest.substr(dash + 1))
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return 0;
    return pid;
}

// Only a file that is certainly a temporary file of ours goes: named for this file and a
// writer that is gone, and still the plain file of this user that the writer made.
bool isStale(int dir, std::string_view name, const std::string& prefix)
{
    if (!name.starts_with(prefix))
        return false;
    const pid_t writer = writerOf(name.substr(prefix.size()));
    if (writer <= 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH)
        return false;
    struct stat st {};
    return ::fstatat(dir, std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_nlink == 1;
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

// `refused`: the folder takes no new file, or the new file could not be put in the old one's
// place as the same user's, group's file (a sticky folder, a group we are not in).
int writeThroughTemporary(const std::string& target, const ByteProducer& produce, mode_t mode,
                          const struct stat* old, bool& refused)
{
    const std::string folder = folderOf(target);
    const std::string prefix = temporaryPrefix(nameOf(target));
    removeStaleTemporaries(folder, prefix);
    std::string temporary = folder + "/" + prefix + std::to_string(::getpid()) + "-XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        refused = errno == EACCES || errno == EPERM;
        return errno;
    }
    int err = 0;
    if (old && old->st_gid != ::getegid() && ::fchown(file.get(), -1, old->st_gid) != 0) {
        refused = true;
        err = errno;
    }
    std::size_t written = 0;
    if (err == 0)
        err = writeAll(file.get(), produce, written);
    if (err == 0 && ::fchmod(file.get(), mode) != 0)
        err = errno;
    if (err == 0 && ::fsync(file.get()) != 0)
        err = errno;
    if (const int closeErr = file.close(); err == 0)
        err = closeErr;
    if (err == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        err = errno;
        refused = err == EACCES || err == EPERM;
    }
    if (err != 0) {
        ::unlink(temporary.c_str());
        return err;
    }
    syncFolder(folder);
    return 0;
}

// How many bytes the producer hands over, so that room for them can be asked for first.
std::size_t sizeOf(const ByteProducer& produce)
{
    std::size_t size = 0;
    produce([&size](std::string_view bytes) {
        size += bytes.size();
        return 0;
    });
    return size;
}

int syncedClose(FileDescriptor& file, int err)
{
    if (err == 0 && ::fsync(file.get()) != 0)
        err = errno;
    if (const int closeErr = file.close(); err == 0)
        err = closeErr;
    return err;
}

// Where no new file can take the old one's place, the old bytes are overwritten and cut to
// length. Room for the new bytes is asked for first, so a full disk fails before the first
// byte; the old bytes of a file up to this size are kept to be put back if the write fails.
constexpr off_t kRestorableSize = off_t{64} << 20;

int writeInPlace(const std::string& target, const ByteProducer& produce)
{
    FileDescriptor file(::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (file.get() < 0 && errno == EACCES)
        file =
            FileDescriptor(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
    if (file.get() < 0)
        return errno;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EACCES;
    const auto size = static_cast<off_t>(sizeOf(produce));
    if (size > 0 && ::fallocate(file.get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG))
        return syncedClose(file, errno);
    std::string oldBytes;
    if (st.st_size <= kRestorableSize &&
        readOpenFile(file.get(), st.st_size, oldBytes, kRestorableSize) != 0)
        oldBytes.clear();
    const bool restorable = oldBytes.size() == static_cast<std::size_t>(st.st_size);
    std::size_t written = 0;
    int err =
        ::lseek(file.get(), 0, SEEK_SET) == 0 ? writeAll(file.get(), produce, written) : errno;
    if (err == 0 && ::ftruncate(file.get(), static_cast<off_t>(written)) != 0)
        err = errno;
    if (err != 0 && written > 0) {
        std::size_t putBack = 0;
        const bool restored =
            restorable && ::lseek(file.get(), 0, SEEK_SET) == 0 &&
            writeAll(
                file.get(), [&](const ByteSink& sink) { return sink(oldBytes); }, putBack) == 0 &&
            ::ftruncate(file.get(), st.st_size) == 0;
        if (!restored)
            err = kHalfWritten;
    }
    return syncedClose(file, err);
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
        // A new file would be ours and have only this name: another user's file, or one with
        // other names, keeps its owner and names by being written where it is.
        if (old.st_uid != ::geteuid() || old.st_nlink > 1)
            return writeInPlace(target, produce);
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    bool refused = false;
    const int err = writeThroughTemporary(target, produce, mode, exists ? &old : nullptr, refused);
    return refused && exists ? writeInPlace(target, produce) : err;
}

} // namespace zandrel
