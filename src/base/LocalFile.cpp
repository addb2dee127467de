#include "base/LocalFile.h"

#include "base/ErrorText.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
int writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

int writeTemporary(int fd, std::string_view bytes, mode_t mode)
{
    if (int err = writeAll(fd, bytes))
        return err;
    if (::fchmod(fd, mode) != 0)
        return errno;
    return ::fsync(fd) == 0 ? 0 : errno;
}
} // namespace

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
    // Whoever reads it next (the phone library among them) gets an ordinary blocking descriptor.
    ::fcntl(opened.get(), F_SETFL, ::fcntl(opened.get(), F_GETFL) & ~O_NONBLOCK);
    size = st.st_size;
    file = std::move(opened);
    return 0;
}

int readWholeFile(const std::string& path, std::string& out)
{
    FileDescriptor file;
    off_t size = 0;
    if (const int err = openForReading(path, file, size))
        return err;
    std::string data(static_cast<std::size_t>(size), '\0');
    std::size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(file.get(), data.data() + got, data.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return kReadBeyondEnd;
        got += static_cast<std::size_t>(n);
    }
    if (int err = file.close())
        return err;
    out = std::move(data);
    return 0;
}

int writeFileAtomically(const std::string& path, std::string_view bytes)
{
    mode_t mode = 0666;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) {
        if (S_ISDIR(old.st_mode))
            return EISDIR;
        // A read-only file stays read-only: the rename would otherwise replace it silently.
        if (::access(path.c_str(), W_OK) != 0)
            return errno;
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    std::string temporary = folderOf(path) + "/.zandrel-XXXXXX";
    FileDescriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0)
        return errno;
    int err = writeTemporary(file.get(), bytes, mode);
    if (const int closeErr = file.close(); err == 0)
        err = closeErr;
    if (err == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        err = errno;
    if (err != 0)
        ::unlink(temporary.c_str());
    return err;
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
