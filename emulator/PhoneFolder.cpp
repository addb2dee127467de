#include "PhoneFolder.h"

#include "HostFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace p2kemu {

std::vector<PhoneFile> PhoneFolder::scan() const
{
    std::vector<PhoneFile> files;
    const std::string base = hostPath("fs");
    std::error_code ec;
    // The iterator does not descend into linked folders; linked files are skipped below.
    auto it =
        fs::recursive_directory_iterator(base, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code statError;
        if (!fs::is_regular_file(it->symlink_status(statError)) || statError)
            continue;
        const std::string& host = it->path().native();
        if (it->path().filename().native().starts_with(kTempPrefix))
            continue;
        std::uint64_t size = it->file_size(statError);
        files.push_back({host.substr(base.size()), statError ? 0 : size});
    }
    // std::string compares as unsigned bytes, which is the phone's list order.
    std::sort(files.begin(), files.end(),
              [](const PhoneFile& a, const PhoneFile& b) { return a.path < b.path; });
    return files;
}

int PhoneFolder::removeFile(const Segments& names) const
{
    UniqueFd base = openFolder(hostPath("fs"), false);
    UniqueFd parent = base.valid() ? openParentFolder(base.get(), names, false) : UniqueFd();
    if (!parent.valid())
        return errno;
    struct stat info {};
    if (::fstatat(parent.get(), names.back().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    // The phone holds files only; a link is left alone rather than removed in its target's place.
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    if (S_ISLNK(info.st_mode))
        return ELOOP;
    if (!S_ISREG(info.st_mode))
        return ENOENT;
    return ::unlinkat(parent.get(), names.back().c_str(), 0) == 0 ? 0 : errno;
}

int PhoneFolder::checkCreatable(const Segments& names) const
{
    UniqueFd base = openFolder(hostPath("fs"), true);
    if (!base.valid())
        return errno;
    UniqueFd parent = openParentFolder(base.get(), names, false);
    if (!parent.valid())
        return errno == ENOENT ? 0 : errno; // missing folders are made at File_Close
    struct stat info {};
    if (::fstatat(parent.get(), names.back().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISDIR(info.st_mode))
        return EISDIR;
    if (S_ISLNK(info.st_mode))
        return ELOOP;
    return 0;
}

int PhoneFolder::replaceFile(const Segments& names, std::string_view bytes) const
{
    int error = checkCreatable(names);
    if (error != 0)
        return error;
    UniqueFd base = openFolder(hostPath("fs"), true);
    UniqueFd parent = base.valid() ? openParentFolder(base.get(), names, true) : UniqueFd();
    if (!parent.valid())
        return errno;
    return replaceFileAt(parent.get(), names.back(), bytes);
}

std::optional<std::uint64_t> PhoneFolder::fileSize(const Segments& names) const
{
    UniqueFd base = openFolder(hostPath("fs"), false);
    UniqueFd parent = base.valid() ? openParentFolder(base.get(), names, false) : UniqueFd();
    struct stat info {};
    if (!parent.valid() ||
        ::fstatat(parent.get(), names.back().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

int PhoneFolder::writeSeem(const std::string& fileName, std::string_view bytes) const
{
    UniqueFd folder = openFolder(hostPath("seem"), true);
    if (!folder.valid())
        return errno;
    return replaceFileAt(folder.get(), fileName, bytes);
}

} // namespace p2kemu
