#include "base/LocalFile.h"

#include "base/ErrorText.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zandrel {

FileDescriptor::~FileDescriptor()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int FileDescriptor::close()
{
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
}

namespace {
// /proc and /sys files call themselves regular but give a size of 0 or 4096 whatever they hold.
bool onKernelFileSystem(int fd)
{
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0)
        return false;
    return fs.f_type == PROC_SUPER_MAGIC || fs.f_type == SYSFS_MAGIC;
}

// The bytes after the first `data.size()`, should the file have grown since its size was taken.
int readOn(int fd, std::string& data, std::size_t limit)
{
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return 0;
        if (static_cast<std::size_t>(n) > limit - data.size())
            return kTooLarge;
        data.append(chunk, static_cast<std::size_t>(n));
    }
}
} // namespace

int openForReading(const std::string& path, FileDescriptor& file, off_t& size)
{
    // O_NONBLOCK: a named pipe in place of the file must not hang the window at the open.
    FileDescriptor opened(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (opened.get() < 0)
        return errno;
    struct stat st {};
    if (::fstat(opened.get(), &st) != 0)
        return errno;
    // A pipe, a device or a /proc file reads as empty or never ends: only regular files count.
    if (!S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    if (onKernelFileSystem(opened.get()))
        return EACCES;
    // Whoever reads it next (the phone library among them) gets an ordinary blocking descriptor.
    ::fcntl(opened.get(), F_SETFL, ::fcntl(opened.get(), F_GETFL) & ~O_NONBLOCK);
    size = st.st_size;
    file = std::move(opened);
    return 0;
}

int readWholeFile(const std::string& path, std::string& out, std::size_t limit)
{
    FileDescriptor file;
    off_t size = 0;
    if (const int err = openForReading(path, file, size))
        return err;
    std::string data;
    if (const int err = readOpenFile(file.get(), size, data, limit))
        return err;
    if (const int err = file.close())
        return err;
    out = std::move(data);
    return 0;
}

int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int readOpenFile(int fd, off_t size, std::string& out, std::size_t limit)
{
    if (static_cast<std::uintmax_t>(size) > limit)
        return kTooLarge;
    std::string data(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return kReadBeyondEnd;
        got += static_cast<std::size_t>(n);
    }
    if (const int err = readOn(fd, data, limit))
        return err;
    out = std::move(data);
    return 0;
}

std::string localPathFromToolPath(std::string_view toolPath)
{
    std::string path(toolPath);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace zandrel
