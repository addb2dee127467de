#include "HostFiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kemu {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

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

std::string temporaryName()
{
    static std::atomic<unsigned> counter{0};
    return std::string(kTempPrefix) + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
           ".tmp";
}

} // namespace

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
    for (std::size_t i = 0; current.valid() && i + 1 < names.size(); ++i) {
        const char* name = names[i].c_str();
        int next = ::openat(current.get(), name, kFolderFlags);
        if (next < 0 && errno == ENOENT && create) {
            if (::mkdirat(current.get(), name, 0755) != 0 && errno != EEXIST)
                return UniqueFd();
            next = ::openat(current.get(), name, kFolderFlags);
        }
        if (next < 0) {
            // A symbolic link to a folder gives ENOTDIR with O_DIRECTORY on some kernels.
            struct stat info {};
            if (::fstatat(current.get(), name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(info.st_mode))
                errno = ELOOP;
            return UniqueFd();
        }
        current = UniqueFd(next);
    }
    return current;
}

int replaceFileAt(int dir, const std::string& name, std::string_view bytes)
{
    std::string temp = temporaryName();
    UniqueFd file(
        ::openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.valid())
        return errno;
    int error = writeAll(file.get(), bytes);
    if (error == 0 && ::fsync(file.get()) != 0)
        error = errno;
    if (error == 0 && ::close(file.release()) != 0)
        error = errno;
    if (error == 0 && ::renameat(dir, temp.c_str(), dir, name.c_str()) != 0)
        error = errno;
    if (error != 0)
        ::unlinkat(dir, temp.c_str(), 0);
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

} // namespace p2kemu
