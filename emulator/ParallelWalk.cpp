#include "ParallelWalk.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace p2kemu {

namespace {

// A folder waits by its path alone and is opened from the top when its turn comes, so a tree of
// any width or depth needs only two descriptors for each thread.
struct Folder {
    std::string path;
    int depth = 0;
};

class FolderQueue {
public:
    FolderQueue(int top, std::string path) : top_(top), prefix_(path.size())
    {
        waiting_.push_back({std::move(path), 0});
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
            UniqueFd fd = openFolderBelow(top_, std::string_view(folder.path).substr(prefix_));
            int error = fd.valid() ? readFolder(fd.get(), folder.path, visitor, names) : errno;
            if (error != 0 && !isGoneFolder(error))
                visitor.unreadable(folder.path, error);
            std::vector<Folder> found;
            if (folder.depth < kMaxWalkDepth && !visitor.stopped()) {
                for (const std::string& name : names)
                    found.push_back({folder.path + "/" + name, folder.depth + 1});
            }
            finish(found);
        }
    }

    bool take(Folder& folder)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !waiting_.empty() || unfinished_ == 0 || failure_; });
        if (waiting_.empty() || failure_)
            return false;
        folder = std::move(waiting_.front());
        waiting_.pop_front();
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
            for (Folder& folder : found)
                waiting_.push_back(std::move(folder));
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
