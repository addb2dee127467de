#include "FileIndex.h"

#include "ParallelWalk.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace p2kemu {

namespace {

constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                        IN_MODIFY | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                        IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;
// Past this many reports in one refresh, one new walk is cheaper than a look at every name.
constexpr std::size_t kMaxEventsPerRefresh = 50000;
// Walking is the kernel's stat() work, which a few cores share well; more only contend.
constexpr unsigned kMaxWalkThreads = 4;

using Found = std::vector<std::pair<std::string, std::uint64_t>>;

} // namespace

// Watches every folder it enters and collects the files it finds.
class FileIndex::Walker : public FolderVisitor {
public:
    // watchLock: held around the index's watches when walkers run side by side.
    explicit Walker(FileIndex& index, const std::atomic<bool>* stop = nullptr,
                    std::mutex* watchLock = nullptr)
        : index_(index), stop_(stop), watchLock_(watchLock)
    {
    }
    void folder(const std::string& path) override
    {
        if (!watchLock_) {
            index_.watch(path);
            return;
        }
        const std::lock_guard lock(*watchLock_);
        index_.watch(path);
    }
    bool stopped() const override { return stop_ && stop_->load(std::memory_order_relaxed); }
    void file(std::string path, std::uint64_t size) override
    {
        found.emplace_back(std::move(path), size);
    }
    void unreadable(const std::string& path, int error) override
    {
        unread.emplace_back(path, error);
    }

    // Everything found goes into the index, in order, so a whole tree costs no search per file.
    void addFound()
    {
        std::sort(found.begin(), found.end());
        for (auto& [path, size] : found) {
            Entry entry{size, isPhonePath(path)};
            // A name looked at again was forgotten first, so nothing found is counted twice.
            // Sorted names all go at the end of a new index, which the end hint makes cheap.
            index_.files_.insert_or_assign(index_.files_.end(), std::move(path), entry);
            index_.used_ += entry.size;
            index_.listable_ += entry.listable ? 1 : 0;
        }
        found.clear();
    }

    Found found;
    std::vector<std::pair<std::string, int>> unread;

private:
    FileIndex& index_;
    const std::atomic<bool>* stop_;
    std::mutex* watchLock_;
};

void FileIndex::refresh(const PhoneFolder& folder, std::vector<std::string>& notes)
{
    if (built_ && folder.hostPath("fs") == fsHost_ && applyEvents(notes) && watching_ && complete_)
        return;
    rebuild(folder, notes);
}

void FileIndex::build(const PhoneFolder& folder, std::vector<std::string>& notes,
                      const std::atomic<bool>& stop)
{
    rebuild(folder, notes, &stop);
}

void FileIndex::rebuild(const PhoneFolder& folder, std::vector<std::string>& notes,
                        const std::atomic<bool>* stop)
{
    files_.clear();
    folders_.clear();
    watches_.clear();
    complete_ = true;
    listable_ = 0;
    used_ = 0;
    fsHost_ = folder.hostPath("fs");
    inotify_ = UniqueFd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    watching_ = inotify_.valid();
    watchError_ = watching_ ? 0 : errno;
    UniqueFd base = folder.openFs(false);
    if (!base.valid()) {
        // No fs/ yet: nothing to watch, and the next call looks again.
        built_ = false;
        return;
    }
    walkAll(base.get(), stop, notes);
    if (!watching_ && !warned_) {
        warned_ = true;
        notes.push_back("inotify cannot watch fs/ (" + std::string(std::strerror(watchError_)) +
                        "): every call walks the whole of fs/");
    }
    built_ = watching_ && complete_;
}

void FileIndex::walkAll(int fs, const std::atomic<bool>* stop, std::vector<std::string>& notes)
{
    std::mutex watchLock;
    std::vector<Walker> walkers;
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxWalkThreads);
    walkers.reserve(threads);
    std::vector<FolderVisitor*> visitors;
    for (unsigned i = 0; i < threads; ++i)
        visitors.push_back(&walkers.emplace_back(*this, stop, &watchLock));
    walkFolderInParallel(fs, "", visitors);
    Walker& all = walkers.front();
    for (std::size_t i = 1; i < walkers.size(); ++i) {
        all.found.insert(all.found.end(), std::make_move_iterator(walkers[i].found.begin()),
                         std::make_move_iterator(walkers[i].found.end()));
        walkers[i].found = {};
        all.unread.insert(all.unread.end(), walkers[i].unread.begin(), walkers[i].unread.end());
    }
    all.addFound();
    noteUnreadable(all.unread, notes);
}

void FileIndex::noteUnreadable(std::vector<std::pair<std::string, int>> unreadable,
                               std::vector<std::string>& notes)
{
    if (unreadable.empty())
        return;
    std::sort(unreadable.begin(), unreadable.end());
    constexpr std::size_t kNamed = 3;
    std::string note = "could not read " + std::to_string(unreadable.size()) +
                       " folder(s) of fs/, whose files are not listed:";
    for (std::size_t i = 0; i < unreadable.size(); ++i) {
        const auto& [path, error] = unreadable[i];
        // Short of descriptors or memory: another walk may well read it.
        if (error == EMFILE || error == ENFILE || error == ENOMEM)
            complete_ = false;
        if (i < kNamed)
            note += (i == 0 ? " " : ", ") + journalText(path.empty() ? "/" : path) + " (" +
                    std::strerror(error) + ")";
    }
    // Where every call walks, the same folders would otherwise be journaled on every call.
    if (note != unreadableNote_)
        notes.push_back(note);
    unreadableNote_ = std::move(note);
}

bool FileIndex::applyEvents(std::vector<std::string>& notes)
{
    alignas(inotify_event) char buffer[64 * 1024];
    std::size_t seen = 0;
    while (true) {
        ssize_t got = ::read(inotify_.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got < 0 && errno == EAGAIN;
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if ((event->mask & IN_Q_OVERFLOW) || ++seen > kMaxEventsPerRefresh)
                return false;
            auto folder = folders_.find(event->wd);
            if (folder == folders_.end())
                continue;
            if (event->mask & IN_IGNORED) {
                forgetWatch(folder);
                continue;
            }
            // fs/ itself removed or moved: only a new walk knows what the phone holds now.
            if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) && folder->second.empty())
                return false;
            if (event->len == 0 || std::string_view(event->name).starts_with(kTempPrefix))
                continue;
            if (event->mask & IN_ISDIR)
                forgetWatchesUnder(folder->second + "/" + event->name);
            lookAgain(folder->second, event->name, notes);
            if (!watching_)
                return false; // a folder found there cannot be watched
        }
    }
}

void FileIndex::lookAgain(const std::string& folderPath, std::string_view name,
                          std::vector<std::string>& notes)
{
    std::string path = folderPath + "/" + std::string(name);
    forgetUnder(path);
    UniqueFd fs(::open(fsHost_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    UniqueFd folder = fs.valid() ? openFolderBelow(fs.get(), folderPath) : UniqueFd();
    struct stat info {};
    if (!folder.valid() ||
        ::fstatat(folder.get(), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    Walker walker(*this);
    if (S_ISREG(info.st_mode)) {
        walker.file(path, static_cast<std::uint64_t>(info.st_size));
    } else if (S_ISDIR(info.st_mode)) {
        UniqueFd inner = openFolderBelow(folder.get(), name);
        if (inner.valid())
            walkFolderInParallel(inner.get(), path, {&walker});
        else if (!isGoneFolder(errno))
            walker.unreadable(path, errno);
    }
    walker.addFound();
    noteUnreadable(std::move(walker.unread), notes);
}

void FileIndex::forgetUnder(const std::string& path)
{
    auto forget = [this](Files::iterator at) {
        used_ -= at->second.size;
        listable_ -= at->second.listable ? 1 : 0;
        return files_.erase(at);
    };
    if (auto at = files_.find(path); at != files_.end())
        forget(at);
    const std::string below = path + "/";
    for (auto at = files_.lower_bound(below); at != files_.end() && at->first.starts_with(below);)
        at = forget(at);
}

void FileIndex::forgetWatchesUnder(const std::string& path)
{
    // The folder itself, then what lies below it: names like "path!" sort between the two.
    for (const std::string& from : {path, path + "/"}) {
        auto at = watches_.lower_bound({from, INT_MIN});
        while (at != watches_.end() &&
               (from == path ? at->first == path : at->first.starts_with(from))) {
            ++watchesLookedAt_;
            ::inotify_rm_watch(inotify_.get(), at->second);
            folders_.erase(at->second);
            at = watches_.erase(at);
        }
    }
}

void FileIndex::forgetWatch(std::unordered_map<int, std::string>::iterator folder)
{
    watches_.erase({folder->second, folder->first});
    folders_.erase(folder);
}

void FileIndex::watch(const std::string& folderPath)
{
    if (!watching_)
        return;
    int watch = -1;
    if (folders_.size() < maxWatches_)
        watch = ::inotify_add_watch(inotify_.get(), (fsHost_ + folderPath).c_str(), kFolderEvents);
    else
        errno = ENOSPC; // what inotify says past fs.inotify.max_user_watches
    if (watch < 0) {
        watchError_ = errno;
        watching_ = false;
        return;
    }
    // A folder watched already under another path (moved while it was walked) is known by its
    // new one.
    if (auto known = folders_.find(watch); known != folders_.end())
        forgetWatch(known);
    folders_.emplace(watch, folderPath);
    watches_.emplace(folderPath, watch);
}

} // namespace p2kemu
