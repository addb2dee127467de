#include "tools/RingFix.h"

#include "base/ErrorText.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
constexpr int32_t kRingSeem = 0x4C;
constexpr int32_t kRingSeemRecord = 1;

// Opened for reading only, so a read-only seem file works too. Returns the fd or -errno.
int openSeemFile(const char* path)
{
    // O_NONBLOCK keeps a named pipe from hanging the open; the library then gets the descriptor
    // in its ordinary blocking mode.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return -errno;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return -err;
    }
    return fd;
}
} // namespace

bool RingFix(PhoneLink& phone, Prompts& prompts)
{
    const int opened = openSeemFile(kRingFixSeemFile);
    if (opened < 0) {
        prompts.error(ioErrorText(-opened, kRingFixSeemFile));
        return false;
    }
    // The library takes the program's file variable, whose first four bytes are the fd.
    int seemFile = opened;
    phone.seemWrite(kRingSeem, kRingSeemRecord, 0, 0, &seemFile);
    ::close(opened);
    phone.fileDelete("/a/mobile/audio/TempToneDB.db");
    phone.fileDelete("/a/mobile/audio/MyToneDB.db");
    return true;
}

} // namespace zandrel
