#include "HostFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <linux/openat2.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace p2kemu {

int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return 0;
}

namespace {

// A folder opened by name from dir, or a link to one, made first when create is set.
UniqueFd openFolderAt(int dir, const char* name, bool create)
{
    int fd = ::openat(dir, name, kFolderFlags);
    if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(dir, name, 0755) != 0 && errno != EEXIST)
            return UniqueFd();
        fd = ::openat(dir, name, kFolderFlags);
    }
    if (fd < 0) {
        // A symbolic link to a folder gives ENOTDIR with O_DIRECTORY on some kernels.
        int error = errno;
        struct stat info {};
        if (::fstatat(dir, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
            error = ELOOP;
        errno = error;
    }
    return UniqueFd(fd);
}

void walkFolder(int dir, const std::string& path, FolderVisitor& visitor, int depth)
{
    std::vector<std::string> folders;
    if (int error = readFolder(dir, path, visitor, folders))
        visitor.unreadable(path, error);
    if (depth >= kMaxWalkDepth)
        return;
    for (const std::string& name : folders) {
        UniqueFd folder(::openat(dir, name.c_str(), kFolderFlags));
        if (folder.valid())
            walkFolder(folder.get(), path + "/" + name, visitor, depth + 1);
        else if (!isGoneFolder(errno))
            visitor.unreadable(path + "/" + name, errno);
    }
}

} // namespace

bool isGoneFolder(int error) { return error == ENOENT || error == ENOTDIR || error == ELOOP; }

int readFolder(int dir, const std::string& path, FolderVisitor& visitor,
               std::vector<std::string>& folders)
{
    // A descriptor of its own, so reading the entries moves no offset the caller shares.
    UniqueFd listing(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Closed however the reading ends, a visitor that throws (out of memory) included.
    const std::unique_ptr<DIR, int (*)(DIR*)> stream(
        listing.valid() ? ::fdopendir(listing.get()) : nullptr, ::closedir);
    if (!stream)
        return errno;
    listing.release();
    visitor.folder(path);
    while (true) {
        errno = 0;
        const dirent* entry = ::readdir(stream.get());
        if (!entry)
            return errno;
        if (visitor.stopped())
            return 0;
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (name.starts_with(kTempPrefix)) {
            if (isStaleTemporary(name))
                ::unlinkat(dir, entry->d_name, 0);
            continue;
        }
        struct stat info {};
        if (entry->d_type != DT_DIR &&
            ::fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (entry->d_type == DT_DIR || S_ISDIR(info.st_mode))
            folders.emplace_back(name);
        else if (S_ISREG(info.st_mode))
            visitor.file(path + "/" + entry->d_name, static_cast<std::uint64_t>(info.st_size));
    }
}

UniqueFd::~UniqueFd()
{
    if (fd_ >= 0)
        ::close(fd_);
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

UniqueFd openFolder(const std::string& path, bool create)
{
    if (create) {
        std::error_code ec;
        std::filesystem::create_directories(path, ec);
        if (ec) {
            errno = ec.value();
            return UniqueFd();
        }
    }
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

UniqueFd openParentFolder(int base, const Segments& names, bool create)
{
    UniqueFd current(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; current.valid() && i + 1 < names.size(); ++i)
        current = openFolderAt(current.get(), names[i].c_str(), create);
    return current;
}

UniqueFd openSubfolder(const std::string& path, const char* name, bool create)
{
    UniqueFd parent(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return parent.valid() ? openFolderAt(parent.get(), name, create) : UniqueFd();
}

UniqueFd openFolderBelow(int base, std::string_view relative)
{
    while (relative.starts_with('/'))
        relative.remove_prefix(1);
    // One call where the kernel can refuse links and ways out of base itself.
    const open_how how{
        .flags = kFolderFlags, .mode = 0, .resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS};
    const std::string path = relative.empty() ? "." : std::string(relative);
    int fd = static_cast<int>(::syscall(SYS_openat2, base, path.c_str(), &how, sizeof how));
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM && errno != EINVAL && errno != E2BIG))
        return UniqueFd(fd);
    UniqueFd current(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    while (current.valid() && !relative.empty()) {
        std::size_t slash = relative.find('/');
        std::string name(relative.substr(0, slash));
        relative.remove_prefix(slash == std::string_view::npos ? relative.size() : slash + 1);
        if (name.empty())
            continue;
        current = openFolderAt(current.get(), name.c_str(), false);
    }
    return current;
}

std::string temporaryName(std::string_view suffix)
{
    static std::atomic<unsigned> counter{0};
    return std::string(kTempPrefix) + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
           std::string(suffix);
}

namespace {

// Makes the file name in dir with bytes, flushed to the disk when flush is set.
int writeFileAt(int dir, const std::string& name, std::string_view bytes, bool flush)
{
    UniqueFd file(
        ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.valid())
        return errno;
    int error = writeAll(file.get(), bytes);
    if (error == 0 && flush && ::fsync(file.get()) != 0)
        error = errno;
    if (error == 0 && ::close(file.release()) != 0)
        error = errno;
    return error;
}

} // namespace

int writeNewFileAt(int dir, const std::string& name, std::string_view bytes)
{
    return writeFileAt(dir, name, bytes, false);
}

int replaceFileAt(int dir, const std::string& name, std::string_view bytes)
{
    std::string temp = temporaryName();
    int error = writeFileAt(dir, temp, bytes, true);
    if (error == 0 && ::renameat(dir, temp.c_str(), dir, name.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlinkat(dir, temp.c_str(), 0);
    // The rename itself lives in the folder: without this a power cut could undo it.
    if (error == 0)
        ::fsync(dir);
    return error;
}

int readToEnd(int fd, std::string& bytes, std::size_t limit)
{
    char chunk[65536];
    while (bytes.size() < limit) {
        ssize_t got = ::read(fd, chunk, std::min(sizeof chunk, limit - bytes.size()));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            return 0;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    return 0;
}

int readRegularFile(const std::string& path, std::string& bytes, std::size_t limit)
{
    // Looked at before it is opened: opening a device can have effects of its own.
    struct stat before {};
    if (::lstat(path.c_str(), &before) != 0)
        return errno;
    if (S_ISLNK(before.st_mode))
        return ELOOP;
    if (!S_ISREG(before.st_mode))
        return EINVAL;
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return EINVAL;
    if (static_cast<std::uint64_t>(info.st_size) > limit)
        return EFBIG;
    bytes.clear();
    // One byte more than allowed tells a file that grew while it was read.
    if (int error = readToEnd(file.get(), bytes, limit + 1))
        return error;
    return bytes.size() > limit ? EFBIG : 0;
}

bool isStaleTemporary(std::string_view name)
{
    if (!name.starts_with(kTempPrefix))
        return false;
    name.remove_prefix(kTempPrefix.size());
    pid_t pid = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (error != std::errc() || end == name.data() || pid <= 0 || pid == ::getpid())
        return false;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

void removeStaleTemporaries(int dir)
{
    struct Collector : FolderVisitor {
        void folder(const std::string&) override {}
        void file(std::string, std::uint64_t) override {}
    } nothing;
    // The walk removes them; one level is enough, so it goes no deeper than dir.
    walkFolder(dir, "", nothing, kMaxWalkDepth);
}

void walkFolder(int dir, const std::string& path, FolderVisitor& visitor)
{
    walkFolder(dir, path, visitor, 0);
}

FolderLock::FolderLock(const std::string& folder, int timeoutMs)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (!fd_.valid())
        return;
    for (int waited = 0;; waited += 10) {
        if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
            locked_ = true;
            return;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= timeoutMs)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace p2kemu
