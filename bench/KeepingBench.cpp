// Clean with deleted files kept, over the emulator (libp2kapi.so), on a phone of 1 KB files:
//  - against a raw loop of the same work: each batch's fetches into one pack file of the trash,
//    its rename and index lines, the flushes of pack, index and folders, then the batch's
//    deletes (goal: within 1.5x);
//  - against Clean with keeping off (goal: within 3x at 10,000 files).
// The phone's files are made again, and a new trash made, before each timed round, untimed. The
// trash lies on the build folder's disk, not in a temporary folder that may live in memory, so
// that a flush costs what it costs users.
#include "BenchPhones.h"
#include "BenchRatio.h"
#include "BenchSession.h"
#include "backup/TrashKeeper.h"
#include "backup/TrashStore.h"
#include "base/MessageTexts.h"
#include "phonelink/LibraryPhoneLink.h"
#include "sweep/Cleaning.h"
#include "sweep/DeletionPass.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class KeepingBench {
public:
    // phoneInMemory: the emulator's phone on /dev/shm, so that its deletes do not free inodes of
    // the disk the trash is on, as with a real phone.
    KeepingBench(std::size_t count, bool phoneInMemory)
        : root_(bench::benchPhonesFolder() + "/keeping-" + std::to_string(count)),
          trashes_(root_ + "/trashes"),
          phone_(phoneInMemory ? "/dev/shm/zandrel-keeping-" + std::to_string(::getpid())
                               : root_ + "/phone")
    {
        fs::remove_all(trashes_);
        fs::create_directories(phone_ + "/fs");
        std::ofstream(phone_ + "/phone.ini") << "[Phone]\nconnected=1\ncapacity=4000000000\n";
        ::setenv("P2KEMU_ROOT", phone_.c_str(), 1);
        for (std::size_t i = 0; i < count; ++i)
            paths_.push_back("/a/k/d" + std::to_string(i / 1000) + "/f" + std::to_string(i) +
                             ".dat");
        session_.clean.clear();
        for (const std::string& path : paths_)
            session_.clean.push_back(path);
    }

    ~KeepingBench()
    {
        fs::remove_all(trashes_);
        if (phone_.starts_with("/dev/shm/"))
            fs::remove_all(phone_);
    }
    KeepingBench(const KeepingBench&) = delete;
    KeepingBench& operator=(const KeepingBench&) = delete;

    // Clean of every file, keeping on or off; returns its seconds.
    double clean(bool keep)
    {
        prepare();
        zandrel::TrashKeeper keeper(link_, texts_, zandrel::TrashStore(trash_));
        keeper.settings.keep = keep;
        session_.keeper = &keeper;
        const auto start = Clock::now();
        zandrel::CleanByList(session_);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        session_.keeper = nullptr;
        check(keep);
        return seconds;
    }

    // The same fetches into one pack per batch, its rename, the index lines, the flushes of
    // pack, index and run folder (and the trash folder once), and the deletes, with nothing else.
    double rawLoop()
    {
        prepare();
        const auto start = Clock::now();
        const std::string run = trash_ + "/20300101-000000";
        fs::create_directories(run);
        const int index = ::open((run + "/index.tsv").c_str(),
                                 O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        // Batches as Clean makes them: a second's fetching, or so many files.
        const std::size_t batchFiles =
            zandrel::TrashKeeper(link_, texts_, zandrel::TrashStore(trash_)).batchFiles();
        for (std::size_t first = 0, end = 0; first < paths_.size(); first = end) {
            const auto batchStart = Clock::now();
            const std::string pack = run + "/" + std::to_string(first + 1);
            const int fd = ::open((pack + ".part").c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            std::string lines;
            std::uint64_t offset = 0;
            for (end = first; end < paths_.size() && end - first < batchFiles &&
                              Clock::now() - batchStart < zandrel::DeletionPass::kBatchTime;
                 ++end) {
                const int32_t size = link_.fileFetch(paths_[end], fd);
                lines += std::to_string(end + 1) + "\t0\t" + std::to_string(size) + "\t" +
                         paths_[end] + "\t\t\t" + std::to_string(first + 1) + "\t" +
                         std::to_string(offset) + "\n";
                offset += static_cast<std::uint64_t>(size);
            }
            const bool written = ::fsync(fd) == 0 && ::close(fd) == 0 &&
                                 ::rename((pack + ".part").c_str(), (pack + ".pack").c_str()) == 0 &&
                                 ::write(index, lines.data(), lines.size()) == ssize_t(lines.size()) &&
                                 ::fsync(index) == 0 && flushFolder(run) &&
                                 (first > 0 || flushFolder(trash_));
            if (!written)
                throw std::runtime_error("the raw loop could not write its pack");
            for (std::size_t i = first; i < end; ++i)
                link_.fileDelete(paths_[i]);
        }
        ::close(index);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        check(true);
        return seconds;
    }

private:
    // Every file back on the phone, a new empty trash, the emulator told of both. The trashes
    // of earlier rounds stay until the end: removing thousands of files just before a round
    // would make the file system's next creations slow, which users do not see.
    void prepare()
    {
        trash_ = trashes_ + "/" + std::to_string(++round_);
        const std::string bytes(1024, 'k');
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            const std::string file = phone_ + "/fs" + paths_[i];
            if (i % 1000 == 0)
                fs::create_directories(fs::path(file).parent_path());
            std::ofstream(file, std::ios::binary) << bytes;
        }
        if (link_.init() != 0 || link_.fileCount() != static_cast<int32_t>(paths_.size()))
            throw std::runtime_error("the emulator does not list the bench phone");
    }
    static bool flushFolder(const std::string& folder)
    {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool flushed = fd >= 0 && ::fsync(fd) == 0;
        ::close(fd);
        return flushed;
    }
    void check(bool kept)
    {
        if (link_.fileCount() != 0)
            throw std::runtime_error("not every file was deleted");
        if (kept && zandrel::TrashStore(trash_).runs().empty() &&
            !fs::exists(trash_ + "/20300101-000000/index.tsv"))
            throw std::runtime_error("nothing was kept");
    }

    std::string root_;
    std::string trashes_;
    std::string phone_;
    std::string trash_;
    int round_ = 0;
    std::vector<std::string> paths_;
    zandrel::LibraryPhoneLink link_;
    AnsweringPrompts prompts_;
    zandrel::MessageTexts messages_;
    zandrel::BackupTexts texts_;
    zandrel::SweepSession session_{link_, prompts_, messages_, {}, {}, {}};
};

void CleanKeepingVsRawLoop(benchmark::State& state)
{
    KeepingBench bench(static_cast<std::size_t>(state.range(0)), false);
    try {
        bench::compare(
            state, [&] { return bench.clean(true); }, [&] { return bench.rawLoop(); });
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(CleanKeepingVsRawLoop)
    ->ArgName("files")
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void CleanKeepingVsKeepingOff(benchmark::State& state)
{
    KeepingBench bench(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    try {
        bench::compare(
            state, [&] { return bench.clean(true); }, [&] { return bench.clean(false); });
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(CleanKeepingVsKeepingOff)
    ->ArgNames({"files", "phone_in_memory"})
    ->ArgsProduct({{10000}, {0, 1}})
    ->Iterations(4)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
