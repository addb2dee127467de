#pragma once
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
// EISDIR, a pipe, device or /proc file EACCES ("File access denied"). A named pipe cannot hang
// the open. `size` is the file's size at the open.
[[nodiscard]] int openForReading(const std::string& path, FileDescriptor& file, off_t& size);

// Reads the whole file, opened with openForReading. A file that yields fewer bytes than its size
// gives kReadBeyondEnd.
[[nodiscard]] int readWholeFile(const std::string& path, std::string& out);

// Replaces `path` with `bytes` through a temporary file in the same folder: written, flushed,
// then renamed over the old file. On any failure the old file is left as it was and the
// temporary file is removed. A new file gets mode 0666 less the umask; a replaced file keeps
// its mode.
[[nodiscard]] int writeFileAtomically(const std::string& path, std::string_view bytes);

// "orfiles\WebSession" -> "orfiles/WebSession": the tools name local files with "\" as the
// folder separator.
std::string localPathFromToolPath(std::string_view toolPath);

} // namespace zandrel
