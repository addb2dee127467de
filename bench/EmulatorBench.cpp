// The emulator (libp2kapi.so) on phones of 10k, 100k and 1M files: File_Count + File_List, and
// File_VolInfo, answered from the file list it keeps, and the first File_Count after P2K_Init,
// which walks fs/ once. Baselines: writing the same records with one memcpy, one stat() call, and
// one readdir walk of fs/ that also asks every file's size.
#include "BenchPhones.h"
#include "BenchRatio.h"
#include "phonelink/p2kapi.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Takes up the phone of count files, its file list already read once.
void usePhone(std::size_t count)
{
    ::setenv("P2KEMU_ROOT", bench::phoneFolder(count).c_str(), 1);
    if (P2K_Init(nullptr) != 0 || File_Count() != static_cast<int32_t>(count))
        throw std::runtime_error("the emulator does not list the bench phone");
}

// Counts the names below dir and adds up the files' sizes, as any count of used bytes must.
std::size_t readdirWalk(int dir)
{
    std::size_t names = 0;
    DIR* stream = ::fdopendir(::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (const dirent* entry = ::readdir(stream)) {
        if (entry->d_name[0] == '.')
            continue;
        ++names;
        if (entry->d_type == DT_DIR) {
            int inner = ::openat(dir, entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            names += readdirWalk(inner);
            ::close(inner);
        } else {
            struct stat info {};
            ::fstatat(dir, entry->d_name, &info, AT_SYMLINK_NOFOLLOW);
            names += static_cast<std::size_t>(info.st_size);
        }
    }
    ::closedir(stream);
    return names;
}

class FsWalk {
public:
    explicit FsWalk(std::size_t count)
        : fs_(::open((bench::phoneFolder(count) + "/fs").c_str(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
    }
    ~FsWalk() { ::close(fs_); }
    FsWalk(const FsWalk&) = delete;
    FsWalk& operator=(const FsWalk&) = delete;
    void operator()() const { benchmark::DoNotOptimize(readdirWalk(fs_)); }

private:
    int fs_;
};

void CountAndListBench(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    usePhone(count);
    std::vector<unsigned char> records(count * P2K_RECORD_SIZE);
    std::vector<unsigned char> copy(records.size(), 'r');
    bench::compare(
        state,
        [&] {
            int32_t n = File_Count();
            benchmark::DoNotOptimize(File_List(records.data(), n));
        },
        [&] {
            std::memcpy(records.data(), copy.data(), copy.size());
            benchmark::DoNotOptimize(records.data());
        });
}
BENCHMARK(CountAndListBench)->Apply(bench::perPhoneSize);

// Free space is answered from what the emulator keeps: it should cost the same few system calls
// at every size, as the one stat() of the baseline does.
void VolInfoBench(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    usePhone(count);
    const std::string ini = bench::phoneFolder(count) + "/phone.ini";
    bench::compare(
        state, [] { benchmark::DoNotOptimize(File_VolInfo(nullptr)); },
        [&] {
            struct stat info {};
            benchmark::DoNotOptimize(::stat(ini.c_str(), &info));
        });
}
BENCHMARK(VolInfoBench)->Apply(bench::perPhoneSize);

void FirstCountBench(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    usePhone(count);
    FsWalk walk(count);
    bench::compare(
        state,
        [] {
            P2K_Init(nullptr);
            benchmark::DoNotOptimize(File_Count());
        },
        walk);
}
BENCHMARK(FirstCountBench)->Apply(bench::perPhoneSize);

} // namespace

BENCHMARK_MAIN();
