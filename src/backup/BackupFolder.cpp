#include "backup/BackupFolder.h"

#include "backup/PhoneNames.h"
#include "base/ErrorText.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
constexpr std::string_view kHeader = "# phone path\tsize\tsha256\thost name\n";

bool isSha256(std::string_view text)
{
    return text.size() == 64 &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// A path the phone could be given: no byte that would break a line of our lists.
bool isListablePhonePath(std::string_view path)
{
    return !path.empty() && path.find_first_of(std::string_view("\t\0\r\n", 4)) == path.npos;
}

// A relative path that stays below the folder it is taken in.
bool staysBelow(std::string_view hostName)
{
    if (hostName.empty() || hostName.starts_with('/') || hostName.find('\0') != hostName.npos)
        return false;
    for (;;) {
        const std::size_t slash = hostName.find('/');
        const std::string_view name = hostName.substr(0, slash);
        if (name.empty() || name == "." || name == ".." || name.size() > kLongestHostName)
            return false;
        if (slash == std::string_view::npos)
            return true;
        hostName.remove_prefix(slash + 1);
    }
}

// The fields of one line, split at TABs; false when it has more than four.
bool splitFields(std::string_view line, std::string_view (&fields)[4], std::size_t& count)
{
    count = 0;
    while (count < 4) {
        const std::size_t tab = line.find('\t');
        fields[count++] = line.substr(0, tab);
        if (tab == std::string_view::npos)
            return true;
        line.remove_prefix(tab + 1);
    }
    return false; // a fifth field: not a line of ours
}

bool parseLine(std::string_view line, ManifestEntry& entry)
{
    std::string_view fields[4];
    std::size_t count = 0;
    if (!splitFields(line, fields, count) || count < 3)
        return false;
    std::optional<std::string> path = unescapePhonePath(fields[0]);
    const auto [end, error] =
        std::from_chars(fields[1].data(), fields[1].data() + fields[1].size(), entry.size);
    if (!path || !isListablePhonePath(*path) || error != std::errc() || fields[1].empty() ||
        end != fields[1].data() + fields[1].size() || !isSha256(fields[2]))
        return false;
    std::optional<std::string> host =
        count == 4 ? unescapePhonePath(fields[3]) : std::optional(hostNameOf(*path));
    if (!host || !staysBelow(*host))
        return false;
    entry.phonePath = std::move(*path);
    entry.sha256 = std::string(fields[2]);
    entry.hostName = std::move(*host);
    return true;
}

// The named entry of the folder dirFd, when it is what `want` says (S_IFREG or S_IFDIR) and no
// link; the check is made before the open, so a pipe or device is never opened, and again on
// what was opened, so nothing swapped in between is read.
int openNoLink(int dirFd, const std::string& name, mode_t want, FileDescriptor& out, off_t& size)
{
    struct stat before {};
    if (::fstatat(dirFd, name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if ((before.st_mode & S_IFMT) != want)
        return kNotPlainFile;
    const int flags = want == S_IFDIR ? O_RDONLY | O_DIRECTORY : O_RDONLY | O_NONBLOCK;
    FileDescriptor opened(::openat(dirFd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC));
    if (opened.get() < 0)
        return errno == ELOOP ? kNotPlainFile : errno;
    struct stat after {};
    if (::fstat(opened.get(), &after) != 0)
        return errno;
    if ((after.st_mode & S_IFMT) != want || after.st_ino != before.st_ino ||
        after.st_dev != before.st_dev)
        return kNotPlainFile;
    size = after.st_size;
    out = std::move(opened);
    return 0;
}
} // namespace

std::string manifestHeader() { return std::string(kHeader); }

std::string manifestLine(const ManifestEntry& entry)
{
    return escapePhonePath(entry.phonePath) + '\t' + std::to_string(entry.size) + '\t' +
           entry.sha256 + '\t' + escapePhonePath(entry.hostName) + '\n';
}

ParsedManifest parseManifest(std::string_view bytes)
{
    ParsedManifest parsed;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (line.empty() || line.starts_with('#'))
            continue;
        ManifestEntry entry;
        // Every line is written with its end: one without was cut short as it was written.
        if (end != std::string_view::npos && parseLine(line, entry))
            parsed.entries.push_back(std::move(entry));
        else
            ++parsed.badLines;
    }
    return parsed;
}

int BackupFolder::open(const std::string& path)
{
    auto folder =
        std::make_shared<FileDescriptor>(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder->get() < 0)
        return errno;
    path_ = path;
    folder_ = std::move(folder);
    return 0;
}

int BackupFolder::openFile(std::string_view hostName, FileDescriptor& file, off_t& size) const
{
    if (!folder_)
        return EBADF;
    if (!staysBelow(hostName))
        return kNotPlainFile;
    FileDescriptor parent;
    int at = folder_->get();
    for (;;) {
        const std::size_t slash = hostName.find('/');
        const std::string name(hostName.substr(0, slash));
        if (slash == std::string_view::npos)
            return openNoLink(at, name, S_IFREG, file, size);
        FileDescriptor next;
        off_t ignored = 0;
        if (const int error = openNoLink(at, name, S_IFDIR, next, ignored))
            return error;
        parent = std::move(next);
        at = parent.get();
        hostName.remove_prefix(slash + 1);
    }
}

int BackupFolder::readFile(std::string_view hostName, std::uint64_t size, std::string& bytes,
                           std::uint64_t& foundSize) const
{
    FileDescriptor file;
    off_t found = 0;
    if (const int error = openFile(hostName, file, found))
        return error;
    foundSize = static_cast<std::uint64_t>(found);
    if (foundSize != size)
        return kSizeDiffers;
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return readOpenFile(file.get(), found, bytes, static_cast<std::size_t>(size));
}

int BackupFolder::readManifest(ParsedManifest& manifest) const
{
    FileDescriptor file;
    off_t size = 0;
    if (const int error = openFile(kManifestName, file, size))
        return error;
    std::string bytes;
    if (const int error = readOpenFile(file.get(), size, bytes, kLargestManifest))
        return error;
    manifest = parseManifest(bytes);
    return 0;
}

} // namespace zandrel
