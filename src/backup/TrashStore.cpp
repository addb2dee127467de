#include "backup/TrashStore.h"

#include "backup/BackupFolder.h"
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

constexpr std::string_view kPackEnd = ".pack";

// The names a run folder holds of ours: the index, copies, packs and either being written.
bool isOurFile(std::string_view name)
{
    if (name == TrashStore::kIndexName || allDigits(name))
        return true;
    if (name.ends_with(kPackEnd) && allDigits(name.substr(0, name.size() - kPackEnd.size())))
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

// Flushes what path holds to the disk; returns 0 or an errno.
int flushed(const std::string& path, int flags)
{
    FileDescriptor file(::open(path.c_str(), flags | O_CLOEXEC));
    if (file.get() < 0 || ::fsync(file.get()) != 0)
        return errno;
    return file.close();
}

// The number of the part file a copy was written as: its own, or its pack's.
std::uint32_t writtenAs(const TrashEntry& entry) { return entry.pack ? entry.pack : entry.number; }

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

std::vector<TrashEntry> TrashStore::entriesOf(const std::string& run,
                                              std::uint64_t* diskBytes) const
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
    // A pack's lines follow each other, so the size of the last one looked at is remembered.
    std::uint32_t lastPack = 0;
    std::uint64_t lastPackSize = 0;
    forEachTrashIndexLine(index, [&](TrashEntry& entry) {
        const std::string name = entry.pack ? std::to_string(entry.pack) + std::string(kPackEnd)
                                            : std::to_string(entry.number);
        struct stat info {};
        if (entry.pack == 0 || entry.pack != lastPack) {
            if (::fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISREG(info.st_mode))
                return;
            if (diskBytes && entry.pack != 0)
                *diskBytes += static_cast<std::uint64_t>(info.st_size);
            lastPack = entry.pack;
            lastPackSize = static_cast<std::uint64_t>(info.st_size);
        }
        // A copy whose bytes are not all there was never completed: it is not listed.
        const bool whole = entry.pack ? lastPackSize >= entry.offset &&
                                            lastPackSize - entry.offset >= entry.size
                                      : lastPackSize == entry.size;
        if (!whole)
            return;
        if (diskBytes && entry.pack == 0)
            *diskBytes += entry.size;
        entry.run = run;
        found.push_back(std::move(entry));
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
    if (entry.pack != 0)
        return folder_ + "/" + entry.run + "/" + std::to_string(entry.pack) + std::string(kPackEnd);
    return folder_ + "/" + entry.run + "/" + std::to_string(entry.number);
}

int TrashStore::readCopy(const TrashEntry& entry, std::string& bytes, std::uint64_t& found) const
{
    FileDescriptor file;
    off_t size = 0;
    if (const int error = openForReading(fileOf(entry), file, size))
        return error;
    const auto held = static_cast<std::uint64_t>(size);
    if (entry.pack == 0)
        found = held;
    else
        found = held > entry.offset ? std::min(held - entry.offset, entry.size) : 0;
    if (found != entry.size)
        return BackupFolder::kSizeDiffers;
    if (entry.pack == 0)
        return readOpenFile(file.get(), size, bytes, static_cast<std::size_t>(found));
    bytes.resize(static_cast<std::size_t>(entry.size));
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t got = ::pread(file.get(), bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(entry.offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 ? errno : EIO; // the pack shrank while it was read
        done += static_cast<std::size_t>(got);
    }
    return 0;
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
    std::vector<std::uint32_t> going = numbers;
    std::sort(going.begin(), going.end());
    const auto goes = [&](std::uint32_t number) {
        return std::binary_search(going.begin(), going.end(), number);
    };
    const std::vector<TrashEntry> all = entriesOf(run);
    std::string kept;
    std::vector<std::uint32_t> packsKept;
    for (const TrashEntry& other : all) {
        if (!goes(other.number)) {
            kept += trashIndexLine(other);
            packsKept.push_back(other.pack);
        }
    }
    if (kept.empty()) {
        removeRun(run);
        return 0;
    }
    std::sort(packsKept.begin(), packsKept.end());
    // A copy's own file goes, and a pack once none of its copies is kept; a number not listed
    // (a copy never completed) may still have a file of its own.
    std::vector<std::string> files;
    std::vector<std::uint32_t> listedGoing;
    for (const TrashEntry& other : all) {
        if (!goes(other.number))
            continue;
        listedGoing.push_back(other.number);
        if (other.pack == 0 || !std::binary_search(packsKept.begin(), packsKept.end(), other.pack))
            files.push_back(fileOf(other));
    }
    std::sort(listedGoing.begin(), listedGoing.end());
    for (const std::uint32_t number : going)
        if (!std::binary_search(listedGoing.begin(), listedGoing.end(), number))
            files.push_back(folder_ + "/" + run + "/" + std::to_string(number));
    // The index goes first: a copy without its line is never listed, a line without its copy
    // would be.
    if (const int error = writeFileAtomically(indexOf(run), kept))
        return error;
    int failed = 0;
    for (const std::string& file : files)
        if (::unlink(file.c_str()) != 0 && errno != ENOENT && failed == 0)
            failed = errno;
    return failed;
}

std::string TrashStore::newRun(std::int64_t when) const { return makeStampedFolder(folder_, when); }

int TrashStore::add(const std::vector<TrashEntry>& batch) const
{
    if (batch.empty())
        return 0;
    const std::string& run = batch.front().run;
    std::string lines;
    int error = 0;
    for (std::size_t i = 0; i < batch.size() && error == 0; ++i) {
        const TrashEntry& entry = batch[i];
        // A pack is renamed with its first copy.
        const bool packDone = entry.pack != 0 && i > 0 && batch[i - 1].pack == entry.pack;
        const std::string part = partName(run, writtenAs(entry));
        if (!packDone)
            error = flushed(part, O_RDONLY | O_NOFOLLOW);
        if (!packDone && error == 0 && ::rename(part.c_str(), fileOf(entry).c_str()) != 0)
            error = errno;
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
    if (!error)
        error = writeAll(file.get(), lines);
    // The copies were flushed before their renames; the index lines, the new names and the
    // run's own name in the trash follow, so that the lines never list a copy the disk lacks.
    // Files, not the whole file system: a flush of the disk waits for every other program.
    if (!error && ::fsync(file.get()) != 0)
        error = errno;
    if (!error)
        error = file.close();
    if (!error)
        error = flushed(folder_ + "/" + run, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    // The run's own name, once, with its first lines; the trash folder may be a link the user
    // made to another disk.
    if (!error && before.st_size == 0)
        error = flushed(folder_, O_RDONLY | O_DIRECTORY);
    if (error == 0)
        return 0;
    // None of the batch is listed: lines written in part are cut off again.
    if (file.get() >= 0)
        [[maybe_unused]] const int cut = ::ftruncate(file.get(), before.st_size);
    for (const TrashEntry& entry : batch) {
        ::unlink(fileOf(entry).c_str());
        ::unlink(partName(run, writtenAs(entry)).c_str());
    }
    return error;
}

std::vector<TrashRun> TrashStore::runs() const
{
    std::vector<TrashRun> found;
    for (std::string& name : runNames()) {
        TrashRun run{std::move(name)};
        for (const TrashEntry& entry : entriesOf(run.name, &run.bytes)) {
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
