#pragma once
#include "PhonePath.h"

#include <cstdint>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <vector>

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

// Makes the file name in folder dir with bytes; an existing file or link there is an error
// (EEXIST). Returns 0 or the errno of the failure.
int writeNewFileAt(int dir, const std::string& name, std::string_view bytes);

// Writes all of bytes to fd, again after an interruption. Returns 0 or the errno of the failure.
int writeAll(int fd, std::string_view bytes);

// Reads from fd's current position to its end, but no more than limit bytes. Returns 0 or the
// errno of the failure.
int readToEnd(int fd, std::string& bytes, std::size_t limit);

// Opens (with create, makes) the folder name inside the folder at path. name itself must be a real
// folder, never a symbolic link (ELOOP), so what lies beside the phone folder stays out of reach.
UniqueFd openSubfolder(const std::string& path, const char* name, bool create);

// Opens the folder relative ("a/mobile") below base, never following a symbolic link nor leaving
// base: in one call where the kernel can see to that (openat2), else name by name. An empty
// relative opens base again.
UniqueFd openFolderBelow(int base, std::string_view relative);

// Reads the file at path whole when it is a regular file of at most limit bytes. The last name is
// never followed as a link, and nothing blocks: a FIFO or a device is refused (EINVAL), a larger
// file too (EFBIG). Returns 0 or the errno of the failure.
int readRegularFile(const std::string& path, std::string& bytes, std::size_t limit);

// A name for a temporary file or folder of ours: kTempPrefix, this process's id, then a number
// of its own and suffix (".tmp"), so a later run can tell whose it was.
std::string temporaryName(std::string_view suffix = ".tmp");

// Whether name is a temporary file or folder of ours (temporaryName) whose process no longer
// runs, so nobody will ever finish or rename it.
bool isStaleTemporary(std::string_view name);

// Removes the stale temporary files of ours (isStaleTemporary) directly in the folder dir.
void removeStaleTemporaries(int dir);

// Holds an exclusive flock on a folder while it lives, so two programs on one phone folder do once
// what must be done once. Waits at most timeoutMs; locked() tells whether it got the lock.
class FolderLock {
public:
    FolderLock(const std::string& folder, int timeoutMs);
    bool locked() const { return locked_; }

private:
    UniqueFd fd_;
    bool locked_ = false;
};

// What walkFolder reports. folder() is called for every folder before its entries are read.
class FolderVisitor {
public:
    virtual ~FolderVisitor() = default;
    virtual void folder(const std::string& path) = 0;
    virtual void file(std::string path, std::uint64_t size) = 0;
    // A folder whose entries could not be read, whole or in part (error is the errno); one that
    // went away while it was walked is not reported.
    virtual void unreadable(const std::string& /*path*/, int /*error*/) {}
    // True when the walk should end early; what was reported so far is incomplete then.
    virtual bool stopped() const { return false; }
};

// Walks every folder below dir, whose path ("" for the top) prefixes the paths it reports
// ("/a/x.mp3"). Symbolic links are neither followed nor reported; the emulator's temporary files
// are left out, and stale ones are removed on the way.
void walkFolder(int dir, const std::string& path, FolderVisitor& visitor);

// One step of a walk: reports the folder dir (at path) and its files to visitor, and adds the
// names of its subfolders to folders. Returns 0 or the errno of why its entries could not all be
// read; when the folder could not be opened for reading at all, nothing has been reported.
int readFolder(int dir, const std::string& path, FolderVisitor& visitor,
               std::vector<std::string>& folders);

// Whether an error opening a folder means it is no longer there as a folder (removed, renamed, or
// replaced by a file or a link) rather than that it cannot be read.
bool isGoneFolder(int error);

// No phone path is deeper than this (each level takes at least two of its bytes); a walk stops
// there so a hostile tree cannot use up the descriptors.
constexpr int kMaxWalkDepth = 256;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

} // namespace p2kemu
