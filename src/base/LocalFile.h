#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>

namespace zandrel {

// Local file access shared by the settings file, clean-list files, uploads and the ring fix.
// Every function returns 0 on success or an error number for ioErrorText().

// An open file descriptor, closed when it goes.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    // Closes now so that a failing close is seen; returns 0 or errno.
    [[nodiscard]] int close();

private:
    int fd_ = -1;
};

// Opens a local file for reading only, refusing what is not a regular file: a folder gives
// EISDIR, a pipe, device, /proc or /sys file EACCES ("File access denied"). A named pipe cannot
// hang the open. `size` is the file's size at the open.
[[nodiscard]] int openForReading(const std::string& path, FileDescriptor& file, off_t& size);

// Reads the whole file, opened with openForReading, up to its real end: a file that grows while
// it is read is read on, one that shrinks gives kReadBeyondEnd. A file of more than `limit`
// bytes, at the open or by growing, gives kTooLarge before it is read or once it passes the limit.
[[nodiscard]] int readWholeFile(const std::string& path, std::string& out, std::size_t limit);
// The same for a file opened with openForReading, whose size was `size` at the open.
[[nodiscard]] int readOpenFile(int fd, off_t size, std::string& out, std::size_t limit);
// Writes all of bytes, however many writes it takes; a write that takes nothing gives EIO.
[[nodiscard]] int writeAll(int fd, std::string_view bytes);

// "orfiles\WebSession" -> "orfiles/WebSession": the tools name local files with "\" as the
// folder separator.
std::string localPathFromToolPath(std::string_view toolPath);

} // namespace zandrel
