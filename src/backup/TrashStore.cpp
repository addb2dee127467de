#include "backup/TrashStore.h"

#include "backup/PhoneNames.h"
#include "backup/TrashStoreIndex.h"
#include "base/AtomicWrite.h"
#include "base/LocalFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
// An index is a line per copy; past this it is not one of ours.
constexpr std::size_t kLargestIndex = 256u << 20;
constexpr std::int64_t kLeftoverAge = 3600;

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(),
                                        [](char c) { return c >= '0' && c <= '9'; });
}

// YYYYMMDD-HHMMSS, or that with "-N" (N up to 999): the names newRun gives.
bool isRunName(std::string_view name)
{
    if (name.size() < 15 || !allDigits(name.substr(0, 8)) || name[8] != '-' ||
        !allDigits(name.substr(9, 6)))
        return false;
    name.remove_prefix(15);
    return name.empty() || (name[0] == '-' && name.size() <= 4 && allDigits(name.substr(1)));
}

// The names a run folder holds of ours: the index, copies and copies being written.
bool isOurFile(std::string_view name)
{
    if (name == TrashStore::kIndexName || allDigits(name))
        return true;
    return name.size() > 6 && name.front() == '.' && name.ends_with(".part") &&
           allDigits(name.substr(1, name.size() - 6));
}

std::int64_t modifiedAt(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

// The names in a folder, without following a link; none when it cannot be read.
std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view name = item->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

bool isRealFolder(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isRegularFile(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
} // namespace

std::vector<std::string> TrashStore::runNames() const
{
    std::vector<std::string> names;
    for (std::string& name : namesIn(folder_))
        if (isRunName(name) && isRealFolder(folder_ + "/" + name))
            names.push_back(std::move(name));
    // The names begin with the run's start, so byte order is age order.
    std::sort(names.begin(), names.end());
    return names;
}

std::string TrashStore::indexOf(const std::string& run) const
{
    return folder_ + "/" + run + "/" + kIndexName;
}

std::vector<TrashEntry> TrashStore::entriesOf(const std::string& run) const
{
    std::vector<TrashEntry> found;
    std::string index;
    // The run's folder is opened once, never through a link; each copy is looked up in it.
    const FileDescriptor folder(::open((folder_ + "/" + run).c_str(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0 || !isRegularFile(indexOf(run)) ||
        readWholeFile(indexOf(run), index, kLargestIndex) != 0)
        return found;
    found.reserve(static_cast<std::size_t>(std::count(index.begin(), index.end(), '\n')));
    char name[16];
    forEachTrashIndexLine(index, [&](TrashEntry& entry) {
        struct stat info {};
        const auto end = std::to_chars(name, name + sizeof name - 1, entry.number).ptr;
        *end = '\0';
        // A copy whose size is not the listed one was never completed: it is not listed.
        if (::fstatat(folder.get(), name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) == entry.size) {
            entry.run = run;
            found.push_back(std::move(entry));
        }
    });
    return found;
}

std::vector<TrashEntry> TrashStore::entries() const
{
    std::vector<TrashEntry> all;
    for (const std::string& run : runNames()) {
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
    return removeCopies(entry.run, {entry.number});
}

int TrashStore::removeCopies(const std::string& run,
                             const std::vector<std::uint32_t>& numbers) const
{
    if (!isRunName(run))
        return EINVAL;
    const auto going = [&](std::uint32_t number) {
        return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
    };
    std::string kept;
    for (const TrashEntry& other : entriesOf(run))
        if (!going(other.number))
            kept += trashIndexLine(other);
    if (kept.empty()) {
        removeRun(run);
        return 0;
    }
    // The index goes first: a copy without its line is never listed, a line without its copy
    // would be.
    if (const int error = writeFileAtomically(indexOf(run), kept))
        return error;
    int failed = 0;
    for (const std::uint32_t number : numbers) {
        const std::string file = folder_ + "/" + run + "/" + std::to_string(number);
        if (::unlink(file.c_str()) != 0 && errno != ENOENT && failed == 0)
            failed = errno;
    }
    return failed;
}

std::string TrashStore::newRun(std::int64_t when) const { return makeStampedFolder(folder_, when); }

int TrashStore::add(const std::vector<TrashEntry>& batch) const
{
    if (batch.empty())
        return 0;
    const std::string& run = batch.front().run;
    std::string lines;
    std::size_t renamed = 0;
    int error = 0;
    for (const TrashEntry& entry : batch) {
        if (::rename(partName(run, entry.number).c_str(), fileOf(entry).c_str()) != 0) {
            error = errno;
            break;
        }
        ++renamed;
        lines += trashIndexLine(entry);
    }
    const std::string index = indexOf(run);
    FileDescriptor file(error ? -1
                              : ::open(index.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC |
                                                          O_NOFOLLOW,
                                       0600));
    struct stat before {};
    if (!error && (file.get() < 0 || ::fstat(file.get(), &before) != 0))
        error = errno;
    if (!error) {
        const ssize_t written = ::write(file.get(), lines.data(), lines.size());
        if (written != static_cast<ssize_t>(lines.size()))
            error = written < 0 ? errno : ENOSPC;
    }
    // One flush for the whole batch: the copies, their names and the index lines together.
    if (!error && ::syncfs(file.get()) != 0)
        error = errno;
    if (!error)
        error = file.close();
    if (error == 0)
        return 0;
    // None of the batch is listed: lines written in part are cut off again.
    if (file.get() >= 0)
        [[maybe_unused]] const int cut = ::ftruncate(file.get(), before.st_size);
    for (std::size_t i = 0; i < batch.size(); ++i)
        ::unlink((i < renamed ? fileOf(batch[i]) : partName(run, batch[i].number)).c_str());
    return error;
}

std::vector<TrashRun> TrashStore::runs() const
{
    std::vector<TrashRun> found;
    for (std::string& name : runNames()) {
        TrashRun run{std::move(name)};
        for (const TrashEntry& entry : entriesOf(run.name)) {
            run.bytes += entry.size;
            ++run.copies;
            run.newest = std::max(run.newest, entry.time);
        }
        found.push_back(std::move(run));
    }
    return found;
}

void TrashStore::removeOld(std::int64_t now, std::int64_t maxAge) const
{
    const std::vector<TrashRun> all = runs();
    std::int64_t newest = 0;
    for (const TrashRun& run : all)
        newest = std::max(newest, run.newest);
    const bool clockBehind = now < newest;
    for (const TrashRun& run : all) {
        const std::string folder = folder_ + "/" + run.name;
        if (run.copies == 0) {
            // A run cut short before its first copy was listed, or one emptied by hand.
            if (now - modifiedAt(folder) > kLeftoverAge)
                removeRun(run.name);
            continue;
        }
        const bool old = !clockBehind && now - run.newest > maxAge && newest - run.newest > maxAge;
        if (old && removeRun(run.name))
            continue;
        for (const std::string& name : namesIn(folder)) {
            const std::string path = folder + "/" + name;
            if (name.ends_with(".part") && isOurFile(name) && isRegularFile(path) &&
                now - modifiedAt(path) > kLeftoverAge)
                ::unlink(path.c_str());
        }
    }
}

bool TrashStore::removeRun(const std::string& run) const
{
    if (!isRunName(run))
        return false;
    const std::string folder = folder_ + "/" + run;
    if (!isRealFolder(folder))
        return false;
    // The index goes last, so that a removal cut short leaves a run still listed as far as its
    // copies are there, never copies nobody lists.
    bool hasIndex = false;
    for (const std::string& name : namesIn(folder)) {
        const std::string path = folder + "/" + name;
        if (name == kIndexName)
            hasIndex = true;
        else if (isOurFile(name) && isRegularFile(path))
            ::unlink(path.c_str());
    }
    if (hasIndex && isRegularFile(indexOf(run)))
        ::unlink(indexOf(run).c_str());
    return ::rmdir(folder.c_str()) == 0;
}

std::string TrashStore::stamp() const
{
    std::string text;
    for (const std::string& run : runNames()) {
        struct stat info {};
        text += run;
        if (::lstat(indexOf(run).c_str(), &info) == 0)
            text += ' ' + std::to_string(info.st_size) + ' ' + std::to_string(info.st_mtim.tv_sec) +
                    '.' + std::to_string(info.st_mtim.tv_nsec) + ' ' + std::to_string(info.st_ino);
        text += '\n';
    }
    return text;
}

} // namespace zandrel
