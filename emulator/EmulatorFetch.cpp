// File_Fetch: one phone file copied whole into a descriptor the caller opened. It only reads fs/.
#include "Emulator.h"

#include "EmulatorResults.h"
#include "HostFiles.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kemu {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

// Why fd cannot take the copy, or nothing when it can: it must be a regular file open for
// writing, so the copy never waits on a pipe or a terminal.
const char* unfitDescriptor(int fd)
{
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return "no open descriptor";
    if (!S_ISREG(info.st_mode))
        return "the descriptor is not a regular file";
    const int mode = ::fcntl(fd, F_GETFL) & O_ACCMODE;
    if (mode != O_WRONLY && mode != O_RDWR)
        return "the descriptor is not open for writing";
    return nullptr;
}

// The phone file at names, opened for reading without following a link and without waiting on
// a FIFO; invalid with errno set when it is not a regular file.
UniqueFd openPhoneFile(int base, const Segments& names, struct stat& info)
{
    UniqueFd parent = openParentFolder(base, names, false);
    if (!parent.valid())
        return {};
    UniqueFd file(::openat(parent.get(), names.back().c_str(),
                           O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid() || ::fstat(file.get(), &info) != 0)
        return {};
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : ENOENT;
        return {};
    }
    return file;
}

} // namespace

std::int32_t Emulator::fileFetch(const char* path, std::int32_t fd)
{
    const std::string callText =
        "File_Fetch(" + (path ? journalText(path) : "NULL") + ", fd " + std::to_string(fd) + ")";
    if (!initialised_)
        return kNotInitialised;
    if (const char* why = unfitDescriptor(fd))
        return finish(callText, kBadArgument, why);
    Segments names;
    if (std::int32_t refused = phoneFileUnavailable(callText, path, names))
        return refused;
    UniqueFd base = folder_.openFs(false);
    struct stat info {};
    UniqueFd file = base.valid() ? openPhoneFile(base.get(), names, info) : UniqueFd();
    if (!file.valid())
        return hostFailure(callText, errno);
    // The result counts the bytes, so a larger file cannot be fetched; the size taken at the open
    // bounds the copy even if the file grows meanwhile.
    if (info.st_size > INT32_MAX)
        return finish(callText, kBadArgument, "the file is larger than 2147483647 bytes");
    const auto size = static_cast<std::size_t>(info.st_size);
    std::string chunk(kChunk, '\0');
    std::size_t copied = 0;
    while (copied < size) {
        const ssize_t n = ::read(file.get(), chunk.data(), std::min(kChunk, size - copied));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return finish(callText, kHostError,
                          n < 0 ? std::strerror(errno) : "the file shrank while it was read");
        if (int error = writeAll(fd, std::string_view(chunk.data(), static_cast<std::size_t>(n))))
            return finish(callText, kHostError,
                          "writing fd " + std::to_string(fd) + ": " + std::strerror(error));
        copied += static_cast<std::size_t>(n);
    }
    return finish(callText, static_cast<std::int32_t>(copied),
                  std::to_string(copied) + " bytes copied");
}

} // namespace p2kemu
