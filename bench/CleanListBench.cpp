// Writing and reading a clean-list file of a million lines.
#include "BenchPaths.h"
#include "sweep/CleanListFile.h"

#include <benchmark/benchmark.h>

using namespace zandrel;

namespace {
constexpr std::size_t kLines = 1'000'000;

SweepList sweepList()
{
    SweepList list;
    std::size_t i = 0;
    for (const auto& path : benchPaths(kLines)) {
        list.append(path);
        list.setTicked(i, i % 3 == 0);
        ++i;
    }
    return list;
}

void CleanListBytesBench(benchmark::State& state)
{
    const SweepList list = sweepList();
    const bool tickedOnly = state.range(0) != 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string file = cleanListBytes(list, tickedOnly);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(CleanListBytesBench)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Arg 0: CR LF after every line, as the program writes them. Arg 1: LF only, with a stray CR
// inside every line, which takes the copying path.
std::string cleanListFile(bool strayCarriageReturns)
{
    if (!strayCarriageReturns)
        return cleanListBytes(sweepList(), false);
    std::string file;
    for (const auto& path : benchPaths(kLines)) {
        file.append(path, 0, 3);
        file.push_back('\r');
        file.append(path, 3);
        file.push_back('\n');
    }
    return file;
}

void ParseCleanListBench(benchmark::State& state)
{
    const std::string file = cleanListFile(state.range(0) != 0);
    for (auto _ : state) {
        const PathList lines = parseCleanList(file);
        benchmark::DoNotOptimize(lines.size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(ParseCleanListBench)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
