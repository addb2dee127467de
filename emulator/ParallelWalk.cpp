#include "ParallelWalk.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace p2kemu {

namespace {

struct Folder {
    UniqueFd fd;
    std::string path;
    int depth = 0;
};

class FolderQueue {
public:
    explicit FolderQueue(Folder top)
    {
        waiting_.push_back(std::move(top));
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
            readFolder(folder.fd.get(), folder.path, visitor, names);
            std::vector<Folder> found;
            if (folder.depth < kMaxWalkDepth && !visitor.stopped()) {
                for (const std::string& name : names) {
                    UniqueFd fd(::openat(folder.fd.get(), name.c_str(), kFolderFlags));
                    if (fd.valid())
                        found.push_back({std::move(fd), folder.path + "/" + name, folder.depth + 1});
                }
            }
            finish(found);
        }
    }

    bool take(Folder& folder)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock,
                      [this] { return !waiting_.empty() || unfinished_ == 0 || failure_; });
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

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Folder> waiting_;
    std::size_t unfinished_ = 0; // folders waiting or being read
    std::exception_ptr failure_;
};

} // namespace

void walkFolderInParallel(int dir, const std::vector<FolderVisitor*>& visitors)
{
    if (visitors.empty())
        return;
    UniqueFd top(::fcntl(dir, F_DUPFD_CLOEXEC, 0));
    if (!top.valid())
        return;
    FolderQueue queue({std::move(top), "", 0});
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
