#include "ParallelWalk.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace p2kemu {

namespace {

// Folders waiting their turn keep their descriptor open, up to this many; the others are opened
// again by name from the top when their turn comes. So a tree of any width needs no more
// descriptors than this and two for each thread, and when even those run short the waiting
// ones are let go of.
constexpr int kHeldFolders = 64;

bool isOutOfDescriptors(int error) { return error == EMFILE || error == ENFILE; }

struct Folder {
    UniqueFd fd; // invalid: opened by its path from the top when taken
    std::string path;
    int depth = 0;
};

class FolderQueue {
public:
    FolderQueue(int top, std::string path) : top_(top), prefix_(path.size())
    {
        waiting_.push_back({UniqueFd(), std::move(path), 0});
        unfinished_ = 1;
    }

    // Takes the subfolders of folders in turn until every folder is read. A failure (no memory)
    // ends the walk for every thread; the first one is kept for the caller.
    void work(FolderVisitor& visitor)
    {
        try {
            readUntilDone(visitor);
        } catch (...) {
            {
                const std::lock_guard lock(mutex_);
                if (!failure_)
                    failure_ = std::current_exception();
                waiting_.clear();
            }
            changed_.notify_all();
        }
    }

    void rethrowFailure()
    {
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    void readUntilDone(FolderVisitor& visitor)
    {
        Folder folder;
        while (take(folder)) {
            std::vector<std::string> names;
            if (int error = read(folder, visitor, names); error && !isGoneFolder(error))
                visitor.unreadable(folder.path, error);
            std::vector<Folder> found;
            if (folder.depth < kMaxWalkDepth && !visitor.stopped()) {
                for (std::string& name : names)
                    found.push_back(subfolder(folder, name));
            }
            folder.fd = UniqueFd();
            finish(found);
        }
    }

    // Reads a folder, first opening it by path when it waited without a descriptor. Out of
    // descriptors, the waiting folders let go of theirs and it is tried once more: nothing is
    // reported before the folder is open, so nothing is reported twice.
    int read(Folder& folder, FolderVisitor& visitor, std::vector<std::string>& names)
    {
        for (bool again = false;; again = true) {
            int error = 0;
            if (!folder.fd.valid()) {
                folder.fd = openFolderBelow(top_, std::string_view(folder.path).substr(prefix_));
                error = folder.fd.valid() ? 0 : errno;
            }
            if (error == 0)
                error = readFolder(folder.fd.get(), folder.path, visitor, names);
            if (again || !isOutOfDescriptors(error))
                return error;
            letGoOfWaitingDescriptors();
        }
    }

    Folder subfolder(const Folder& folder, const std::string& name)
    {
        Folder found{UniqueFd(), folder.path + "/" + name, folder.depth + 1};
        if (scarce_.load(std::memory_order_relaxed))
            return found;
        if (held_.fetch_add(1) >= kHeldFolders) {
            held_.fetch_sub(1);
            return found;
        }
        found.fd = UniqueFd(::openat(folder.fd.get(), name.c_str(), kFolderFlags));
        if (!found.fd.valid()) {
            // Tried again by path when its turn comes, which tells why it cannot be read.
            held_.fetch_sub(1);
            if (isOutOfDescriptors(errno))
                scarce_.store(true);
        }
        return found;
    }

    void letGoOfWaitingDescriptors()
    {
        scarce_.store(true);
        const std::lock_guard lock(mutex_);
        for (Folder& folder : waiting_) {
            if (folder.fd.valid()) {
                folder.fd = UniqueFd();
                held_.fetch_sub(1);
            }
        }
    }

    bool take(Folder& folder)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !waiting_.empty() || unfinished_ == 0 || failure_; });
        if (waiting_.empty() || failure_)
            return false;
        // The last found first: folders with a descriptor wait at the back, so theirs are soon
        // given back for the next ones found to keep.
        folder = std::move(waiting_.back());
        waiting_.pop_back();
        if (folder.fd.valid())
            held_.fetch_sub(1);
        return true;
    }

    void finish(std::vector<Folder>& found)
    {
        {
            const std::lock_guard lock(mutex_);
            --unfinished_;
            if (failure_)
                return; // the walk is over; what this folder found is not wanted
            unfinished_ += found.size();
            for (Folder& folder : found) {
                if (folder.fd.valid())
                    waiting_.push_back(std::move(folder));
                else
                    waiting_.push_front(std::move(folder));
            }
        }
        changed_.notify_all();
    }

    const int top_;
    const std::size_t prefix_; // of every path: the path of the top
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Folder> waiting_;
    std::size_t unfinished_ = 0; // folders waiting or being read
    std::exception_ptr failure_;
    std::atomic<int> held_{0};        // descriptors kept by waiting folders, or about to be
    std::atomic<bool> scarce_{false}; // descriptors ran out once: no more are kept
};

} // namespace

void walkFolderInParallel(int dir, const std::string& path,
                          const std::vector<FolderVisitor*>& visitors)
{
    if (visitors.empty())
        return;
    FolderQueue queue(dir, path);
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < visitors.size(); ++i) {
        try {
            helpers.emplace_back([&queue, visitor = visitors[i]] { queue.work(*visitor); });
        } catch (const std::system_error&) {
            break; // the threads there are share the work
        }
    }
    queue.work(*visitors[0]);
    for (std::thread& helper : helpers)
        helper.join();
    queue.rethrowFailure();
}

} // namespace p2kemu
