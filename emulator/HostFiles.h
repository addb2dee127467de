#pragma once
#include "PhonePath.h"

#include <string>
#include <string_view>

// Small POSIX helpers that work relative to an open folder, so a phone path is resolved name by
// name below fs/ and a symbolic link inside fs/ can never lead out of it.
namespace p2kemu {

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// Opens a host folder by its full path, making it (and its parents) first when create is set.
// On failure the result is invalid and errno tells why.
UniqueFd openFolder(const std::string& path, bool create);

// Opens the folder that holds the last of names, folder by folder from base, never following a
// symbolic link (ELOOP). With create, missing folders are made. On failure the result is invalid
// and errno tells why.
UniqueFd openParentFolder(int base, const Segments& names, bool create);

// Replaces the file name in folder dir with bytes: a temporary file in the same folder is written,
// flushed and renamed over name, so the old file stays whole until the new one is complete.
// Returns 0 or the errno of the failure.
int replaceFileAt(int dir, const std::string& name, std::string_view bytes);

// Reads from fd's current position to its end, but no more than limit bytes. Returns 0 or the
// errno of the failure.
int readToEnd(int fd, std::string& bytes, std::size_t limit);

} // namespace p2kemu
