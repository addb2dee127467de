#include "backup/TrashStore.h"

#include "backup/PhoneNames.h"
#include "base/AtomicWrite.h"
#include "base/LocalFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace zandrel {

namespace {
// An index is a line per copy; past this it is not one of ours.
constexpr std::size_t kLargestIndex = 64u << 20;
constexpr std::int64_t kLeftoverAge = 3600;

template <typename Number> bool parseNumber(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// One index line, or false when it is not one.
constexpr std::string_view kReplacedMark = "replaced";

bool parseLine(std::string_view line, TrashEntry& entry)
{
    std::string_view fields[4];
    for (int i = 0; i < 3; ++i) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            return false;
        fields[i] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    // Older lines end at the path; newer ones add the kind of phone and why the copy was made.
    const std::size_t tab = line.find('\t');
    fields[3] = line.substr(0, tab);
    std::optional<std::string> path = unescapePhonePath(fields[3]);
    if (!path || !parseNumber(fields[0], entry.number) || !parseNumber(fields[1], entry.time) ||
        !parseNumber(fields[2], entry.size))
        return false;
    entry.phonePath = std::move(*path);
    if (tab != std::string_view::npos) {
        line.remove_prefix(tab + 1);
        const std::size_t reasonTab = line.find('\t');
        entry.phoneKind = std::string(line.substr(0, reasonTab));
        entry.replacedByRestore =
            reasonTab != std::string_view::npos && line.substr(reasonTab + 1) == kReplacedMark;
    }
    return true;
}

std::string indexLine(const TrashEntry& entry)
{
    return std::to_string(entry.number) + '\t' + std::to_string(entry.time) + '\t' +
           std::to_string(entry.size) + '\t' + escapePhonePath(entry.phonePath) + '\t' +
           entry.phoneKind + '\t' +
           std::string(entry.replacedByRestore ? kReplacedMark : std::string_view()) + '\n';
}

std::int64_t modifiedAt(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

} // namespace

std::vector<std::string> TrashStore::runs() const
{
    std::vector<std::string> names;
    std::error_code error;
    for (auto it = fs::directory_iterator(folder_, error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            names.push_back(it->path().filename().string());
    }
    // The names begin with the run's start, so byte order is age order.
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<TrashEntry> TrashStore::entriesOf(const std::string& run) const
{
    std::vector<TrashEntry> found;
    std::string index;
    if (readWholeFile(folder_ + "/" + run + "/" + kIndexName, index, kLargestIndex) != 0)
        return found;
    std::string_view rest = index;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        TrashEntry entry;
        entry.run = run;
        if (!parseLine(line, entry))
            continue;
        struct stat info {};
        const std::string file = fileOf(entry);
        if (::lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<std::uint64_t>(info.st_size) == entry.size)
            found.push_back(std::move(entry));
    }
    return found;
}

std::vector<TrashEntry> TrashStore::entries() const
{
    std::vector<TrashEntry> all;
    for (const std::string& run : runs()) {
        std::vector<TrashEntry> some = entriesOf(run);
        std::move(some.begin(), some.end(), std::back_inserter(all));
    }
    return all;
}

std::string TrashStore::fileOf(const TrashEntry& entry) const
{
    return folder_ + "/" + entry.run + "/" + std::to_string(entry.number);
}

std::string TrashStore::partName(const std::string& run, std::uint32_t number) const
{
    return folder_ + "/" + run + "/." + std::to_string(number) + ".part";
}

int TrashStore::remove(const TrashEntry& entry) const
{
    std::string kept;
    for (const TrashEntry& other : entriesOf(entry.run))
        if (other.number != entry.number)
            kept += indexLine(other);
    const std::string index = folder_ + "/" + entry.run + "/" + kIndexName;
    if (kept.empty()) {
        removeRun(entry.run);
        return 0;
    }
    // The index goes first: a copy without its line is never listed, a line without its copy
    // would be.
    if (const int error = writeFileAtomically(index, kept))
        return error;
    return ::unlink(fileOf(entry).c_str()) == 0 || errno == ENOENT ? 0 : errno;
}

std::string TrashStore::newRun(std::int64_t now) const { return makeStampedFolder(folder_, now); }

int TrashStore::add(const TrashEntry& entry) const
{
    if (::rename(partName(entry.run, entry.number).c_str(), fileOf(entry).c_str()) != 0)
        return errno;
    const std::string index = folder_ + "/" + entry.run + "/" + kIndexName;
    FileDescriptor file(::open(index.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    const std::string line = indexLine(entry);
    int error = 0;
    if (file.get() < 0)
        error = errno;
    else if (::write(file.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
        error = errno ? errno : EIO;
    else
        error = file.close();
    if (error != 0)
        ::unlink(fileOf(entry).c_str());
    return error;
}

std::vector<std::pair<std::string, std::uint64_t>> TrashStore::runSizes() const
{
    std::vector<std::pair<std::string, std::uint64_t>> sizes;
    for (const std::string& run : runs()) {
        std::uint64_t bytes = 0;
        for (const TrashEntry& entry : entriesOf(run))
            bytes += entry.size;
        sizes.emplace_back(run, bytes);
    }
    return sizes;
}

void TrashStore::removeOld(std::int64_t now, std::int64_t maxAge) const
{
    for (const std::string& run : runs()) {
        const std::string folder = folder_ + "/" + run;
        const std::vector<TrashEntry> found = entriesOf(run);
        std::int64_t newest = modifiedAt(folder);
        for (const TrashEntry& entry : found)
            newest = std::max(newest, entry.time);
        const bool leftover = found.empty() && now - modifiedAt(folder) > kLeftoverAge;
        if (leftover || now - newest > maxAge) {
            removeRun(run);
            continue;
        }
        std::error_code error;
        for (auto it = fs::directory_iterator(folder, error);
             !error && it != fs::directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (name.ends_with(".part") && now - modifiedAt(it->path().string()) > kLeftoverAge)
                ::unlink(it->path().c_str());
        }
    }
}

void TrashStore::removeRun(const std::string& run) const
{
    std::error_code ignored;
    fs::remove_all(folder_ + "/" + run, ignored);
}

} // namespace zandrel
