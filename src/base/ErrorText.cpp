#include "base/ErrorText.h"

#include <cerrno>
#include <new>
#include <stdexcept>
#include <sys/stat.h>

namespace zandrel {

namespace {
bool parentFolderExists(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return true; // relative name in the working directory
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

std::string ioErrorText(int error, const std::string& path)
{
    switch (error) {
    case kReadBeyondEnd:
        return "Read beyond end of file";
    case kRangeCheck:
        return "Range check error";
    case kTooLarge:
        return "File too large";
    case kHalfWritten:
        return "Write failed part way; the file is incomplete";
    case ENOENT:
    case ENOTDIR:
        return parentFolderExists(path) && error == ENOENT ? "File not found" : "Invalid filename";
    case EMFILE:
    case ENFILE:
        return "Too many open files";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(error);
    }
}

std::string exceptionText(const std::exception& e)
{
    // A container asked for more than it can ever hold fails the same way as the allocation.
    if (dynamic_cast<const std::bad_alloc*>(&e) || dynamic_cast<const std::length_error*>(&e))
        return "Not enough memory";
    return e.what();
}

std::string errorBoxText(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

} // namespace zandrel
