// The walk on several threads reports what the walk on one does, and ends, whatever its visitors
// do: stop early or fail.
#include "ParallelWalk.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <stdexcept>
#include <utility>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

using Found = std::set<std::pair<std::string, std::uint64_t>>;

struct Collector : FolderVisitor {
    std::mutex* folderLock = nullptr;
    std::set<std::string>* folders = nullptr;
    Found files;
    std::size_t failAfter = SIZE_MAX; // throws at this file
    bool stop = false;

    void folder(const std::string& path) override
    {
        const std::lock_guard lock(*folderLock);
        folders->insert(path);
    }
    void file(std::string path, std::uint64_t size) override
    {
        if (files.size() == failAfter)
            throw std::runtime_error("visitor failed");
        files.emplace(std::move(path), size);
    }
    bool stopped() const override { return stop; }
};

class ParallelWalkTest : public testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("parallel-walk-" + std::to_string(::getpid()));
        fs::remove_all(root);
        // Folders of every depth up to four, a few files each, sizes telling them apart.
        for (int i = 0; i < 60; ++i) {
            fs::path folder = root;
            for (int depth = 0; depth <= i % 4; ++depth)
                folder /= "d" + std::to_string((i + depth) % 7);
            fs::create_directories(folder);
            std::ofstream(folder / ("f" + std::to_string(i))) << std::string(i, 'x');
        }
        fd = UniqueFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    void TearDown() override { fs::remove_all(root); }

    // Walks with `threads` collectors and returns what they found together.
    std::pair<std::set<std::string>, Found> walk(std::size_t threads,
                                                 std::size_t failAfter = SIZE_MAX)
    {
        std::mutex lock;
        std::set<std::string> folders;
        std::vector<Collector> collectors(threads);
        std::vector<FolderVisitor*> visitors;
        for (Collector& c : collectors) {
            c.folderLock = &lock;
            c.folders = &folders;
            c.failAfter = failAfter;
            visitors.push_back(&c);
        }
        walkFolderInParallel(fd.get(), visitors);
        Found files;
        for (const Collector& c : collectors)
            files.insert(c.files.begin(), c.files.end());
        return {folders, files};
    }

    fs::path root;
    UniqueFd fd;
};

TEST_F(ParallelWalkTest, ReportsWhatTheWalkOnOneThreadReports)
{
    std::mutex lock;
    std::set<std::string> folders;
    Collector one;
    one.folderLock = &lock;
    one.folders = &folders;
    walkFolder(fd.get(), "", one);
    ASSERT_EQ(one.files.size(), 60u);
    for (const std::size_t threads : {1u, 2u, 4u}) {
        SCOPED_TRACE(threads);
        const auto [parallelFolders, parallelFiles] = walk(threads);
        EXPECT_EQ(parallelFolders, folders);
        EXPECT_EQ(parallelFiles, one.files);
    }
}

TEST_F(ParallelWalkTest, AFailingVisitorEndsTheWalkForAllAndTheCallerHearsOfIt)
{
    for (const std::size_t failAfter : {0u, 3u, 10u})
        EXPECT_THROW(walk(4, failAfter), std::runtime_error) << failAfter;
}

TEST_F(ParallelWalkTest, StoppedVisitorsEndTheWalkEarly)
{
    std::mutex lock;
    std::set<std::string> folders;
    std::vector<Collector> collectors(2);
    std::vector<FolderVisitor*> visitors;
    for (Collector& c : collectors) {
        c.folderLock = &lock;
        c.folders = &folders;
        c.stop = true;
        visitors.push_back(&c);
    }
    walkFolderInParallel(fd.get(), visitors);
    EXPECT_EQ(folders, std::set<std::string>{""}) << "only the top is entered";
    EXPECT_TRUE(collectors[0].files.empty() && collectors[1].files.empty());
}

} // namespace
