// The walk on several threads reports what the walk on one does, and ends, whatever its visitors
// do: fail or stop early.
#include "ParallelWalk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

using Seen = std::set<std::pair<std::string, std::uint64_t>>; // folders have size 0 and no "."

// What all the visitors of one walk saw; each visitor throws at its failAt-th file.
struct Walk : FolderVisitor {
    Walk(std::mutex& lock, Seen& seen, std::size_t failAt, bool stop)
        : lock(lock), seen(seen), failAt(failAt), stop(stop)
    {
    }
    void folder(const std::string& path) override { add(path + "/.", 0); }
    void file(std::string path, std::uint64_t size) override
    {
        if (files++ == failAt)
            throw std::runtime_error("visitor failed");
        add(path, size);
    }
    bool stopped() const override { return stop; }
    void add(const std::string& path, std::uint64_t size)
    {
        const std::lock_guard guard(lock);
        seen.emplace(path, size);
    }

    std::mutex& lock;
    Seen& seen;
    std::size_t failAt;
    bool stop;
    std::size_t files = 0;
};

// threads 0: the serial walk.
Seen walk(int fd, std::size_t threads, std::size_t failAt = SIZE_MAX, bool stop = false)
{
    std::mutex lock;
    Seen seen;
    std::vector<Walk> walks;
    walks.reserve(std::max<std::size_t>(threads, 1));
    std::vector<FolderVisitor*> visitors;
    for (std::size_t i = 0; i < std::max<std::size_t>(threads, 1); ++i)
        visitors.push_back(&walks.emplace_back(lock, seen, failAt, stop));
    if (threads == 0)
        walkFolder(fd, "", walks.front());
    else
        walkFolderInParallel(fd, "", visitors);
    return seen;
}

TEST(ParallelWalk, SeesWhatTheSerialWalkSeesAndEndsOnFailureOrStop)
{
    const fs::path root = fs::temp_directory_path() / ("parallel-walk-" + std::to_string(getpid()));
    fs::remove_all(root);
    // Folders of every depth up to four, a few files each, sizes telling them apart.
    for (int i = 0; i < 60; ++i) {
        fs::path folder = root;
        for (int depth = 0; depth <= i % 4; ++depth)
            folder /= "d" + std::to_string((i + depth) % 7);
        fs::create_directories(folder);
        std::ofstream(folder / ("f" + std::to_string(i))) << std::string(i, 'x');
    }
    const UniqueFd fd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const Seen serial = walk(fd.get(), 0);
    EXPECT_GT(serial.size(), 60u);
    for (const std::size_t threads : {1u, 2u, 4u})
        EXPECT_EQ(walk(fd.get(), threads), serial) << threads << " threads";
    for (const std::size_t failAt : {0u, 3u, 10u})
        EXPECT_THROW(walk(fd.get(), 4, failAt), std::runtime_error) << "fail at " << failAt;
    EXPECT_EQ(walk(fd.get(), 2, SIZE_MAX, true), (Seen{{"/.", 0}})) << "stopped: the top alone";
    fs::remove_all(root);
}

} // namespace
