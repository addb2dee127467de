// The emulator's File_Count + File_List and File_VolInfo on phones of 10k, 100k and 1M files,
// each beside a baseline run on the same tree in the same run; the ratios are printed at the end.
#include "BenchPaths.h"
#include "phonelink/p2kapi.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kRecord = P2K_RECORD_SIZE;

// The phone folder of a tree of count empty files, made once and kept for later runs.
std::string phoneFolder(std::size_t count)
{
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") +
                               "/zandrel-bench-emulator/" + std::to_string(count);
    if (fs::exists(folder + "/complete"))
        return folder;
    fs::remove_all(folder);
    for (const std::string& path : benchPaths(count)) {
        const fs::path host = folder + "/fs" + path;
        fs::create_directories(host.parent_path());
        ::close(::open(host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    }
    std::FILE* ini = std::fopen((folder + "/phone.ini").c_str(), "w");
    std::fputs("connected=1\ncapacity=1000000000\n", ini);
    std::fclose(ini);
    std::fclose(std::fopen((folder + "/complete").c_str(), "w"));
    return folder;
}

// Takes up the phone of count files, its file list already read once.
void usePhone(std::size_t count)
{
    static std::size_t current = 0;
    if (current == count)
        return;
    ::setenv("P2KEMU_ROOT", phoneFolder(count).c_str(), 1);
    if (P2K_Init(nullptr) != 0 || File_Count() != static_cast<int32_t>(count))
        std::abort();
    current = count;
}

// Counts the names below dir; with sizes, also adds up the files' sizes as any count of used
// bytes must.
std::size_t readdirWalk(int dir, bool sizes)
{
    std::size_t names = 0;
    DIR* stream = ::fdopendir(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.')
            continue;
        ++names;
        if (entry->d_type == DT_DIR) {
            int inner = ::openat(dir, entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            names += readdirWalk(inner, sizes);
            ::close(inner);
        } else if (sizes) {
            struct stat info {};
            ::fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW);
            names += static_cast<std::size_t>(info.st_size);
        }
    }
    ::closedir(stream);
    return names;
}

void CountAndList(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    usePhone(count);
    std::vector<unsigned char> records(count * kRecord);
    for (auto _ : state) {
        int32_t n = File_Count();
        benchmark::DoNotOptimize(File_List(records.data(), n));
    }
}

// The first File_Count after P2K_Init, which walks fs/ once and sets up the watches.
void FirstCount(benchmark::State& state)
{
    usePhone(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        P2K_Init(nullptr);
        benchmark::DoNotOptimize(File_Count());
    }
}

void VolInfo(benchmark::State& state)
{
    usePhone(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(File_VolInfo(nullptr));
}

// Baselines: the least any File_List must do (write the records), one bare walk of fs/, and one
// walk that also asks every file's size.
void RecordCopy(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<unsigned char> from(count * kRecord, 'r'), to(count * kRecord);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::DoNotOptimize(to.data());
    }
}

void walkBench(benchmark::State& state, bool sizes)
{
    const std::string fsFolder = phoneFolder(static_cast<std::size_t>(state.range(0))) + "/fs";
    int base = ::open(fsFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (auto _ : state)
        benchmark::DoNotOptimize(readdirWalk(base, sizes));
    ::close(base);
}

void ReaddirWalk(benchmark::State& state) { walkBench(state, false); }
void StatWalk(benchmark::State& state) { walkBench(state, true); }

void registerAll()
{
    for (int64_t count : {10'000, 100'000, 1'000'000}) {
        for (auto [name, function] : {std::pair{"CountAndList", &CountAndList},
                                      {"RecordCopy", &RecordCopy},
                                      {"ReaddirWalk", &ReaddirWalk},
                                      {"VolInfo", &VolInfo},
                                      {"StatWalk", &StatWalk},
                                      {"FirstCount", &FirstCount}})
            benchmark::RegisterBenchmark(name, function)->Arg(count)->Unit(benchmark::kMicrosecond);
    }
}

// Remembers every result and prints the ratios of Zandrel's calls to their baselines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            times_[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-28s %-24s %10s\n", "emulator call", "baseline", "ratio");
        for (const char* count : {"10000", "100000", "1000000"}) {
            ratio("CountAndList", "RecordCopy", count);
            ratio("CountAndList", "ReaddirWalk", count);
            ratio("VolInfo", "ReaddirWalk", count);
            ratio("FirstCount", "StatWalk", count);
        }
    }

private:
    void ratio(const std::string& call, const std::string& baseline, const std::string& count)
    {
        auto ours = times_.find(call + "/" + count);
        auto theirs = times_.find(baseline + "/" + count);
        if (ours == times_.end() || theirs == times_.end() || theirs->second <= 0)
            return;
        std::printf("%-28s %-24s %10.4f\n", (call + "/" + count).c_str(),
                    (baseline + "/" + count).c_str(), ours->second / theirs->second);
    }

    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAll();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
