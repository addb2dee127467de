#include "PhoneFolder.h"

#include "HostFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace p2kemu {

std::vector<PhoneFile> PhoneFolder::scan() const
{
    struct Collector : FolderVisitor {
        void folder(const std::string&) override {}
        void file(std::string path, std::uint64_t size) override
        {
            files.push_back({std::move(path), size});
        }
        std::vector<PhoneFile> files;
    } collector;
    UniqueFd base = openFs(false);
    if (base.valid())
        walkFolder(base.get(), "", collector);
    // std::string compares as unsigned bytes, which is the phone's list order.
    std::sort(collector.files.begin(), collector.files.end(),
              [](const PhoneFile& a, const PhoneFile& b) { return a.path < b.path; });
    return std::move(collector.files);
}

UniqueFd PhoneFolder::openFs(bool create) const { return openSubfolder(root_, "fs", create); }

int PhoneFolder::writeFolderFile(const std::string& name, std::string_view bytes) const
{
    UniqueFd folder(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno;
    return replaceFileAt(folder.get(), name, bytes);
}

int PhoneFolder::removeFile(const Segments& names) const
{
    UniqueFd base = openFs(false);
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
    UniqueFd base = openFs(true);
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
    UniqueFd base = openFs(true);
    UniqueFd parent = base.valid() ? openParentFolder(base.get(), names, true) : UniqueFd();
    if (!parent.valid())
        return errno;
    return replaceFileAt(parent.get(), names.back(), bytes);
}

std::optional<std::uint64_t> PhoneFolder::fileSize(const Segments& names) const
{
    UniqueFd base = openFs(false);
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
    UniqueFd folder = openSubfolder(root_, "seem", true);
    if (!folder.valid())
        return errno;
    removeStaleTemporaries(folder.get());
    return replaceFileAt(folder.get(), fileName, bytes);
}

} // namespace p2kemu
