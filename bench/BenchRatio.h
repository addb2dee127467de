#pragma once
// Zandrel's operation and its baseline timed in the same iteration, so both see the same machine
// state; the table shows Zandrel's time as the iteration time, the baseline's beside it, and the
// ratio of the two (of the totals), and the median of each iteration's own ratio, which a slow
// moment of the machine moves less. Register with ->UseManualTime().
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <type_traits>
#include <vector>

namespace bench {

template <typename Ours, typename Baseline>
void compare(benchmark::State& state, Ours&& ours, Baseline&& baseline)
{
    using Clock = std::chrono::steady_clock;
    // A side that returns a double times itself (in seconds), leaving out its own preparation.
    const auto timed = [](auto&& run) {
        if constexpr (std::is_same_v<decltype(run()), double>) {
            return run();
        } else {
            const auto start = Clock::now();
            run();
            return std::chrono::duration<double>(Clock::now() - start).count();
        }
    };
    // One untimed round first: the process's first touch of fresh memory would otherwise land on
    // whichever side goes first, and the largest rows run only once or twice.
    ours();
    baseline();
    double oursTotal = 0;
    double baselineTotal = 0;
    std::vector<double> ratios;
    bool baselineFirst = false;
    for (auto _ : state) {
        // Taking turns at going first keeps a warm cache from favouring either side.
        double baselineTime = 0;
        if (baselineFirst)
            baselineTime = timed(baseline);
        const double oursTime = timed(ours);
        if (!baselineFirst)
            baselineTime = timed(baseline);
        baselineFirst = !baselineFirst;
        oursTotal += oursTime;
        baselineTotal += baselineTime;
        if (baselineTime > 0)
            ratios.push_back(oursTime / baselineTime);
        state.SetIterationTime(oursTime);
    }
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["zandrel_ms"] = oursTotal / rounds * 1e3;
    state.counters["baseline_ms"] = baselineTotal / rounds * 1e3;
    state.counters["ratio"] = baselineTotal > 0 ? oursTotal / baselineTotal : 0;
    if (!ratios.empty()) {
        const auto middle = ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2);
        std::nth_element(ratios.begin(), middle, ratios.end());
        state.counters["median_ratio"] = *middle;
    }
}

// The list sizes every figure is taken at; ZANDREL_BENCH_4M=1 adds four million.
inline std::vector<long> listSizes()
{
    std::vector<long> sizes = {10'000, 100'000, 1'000'000};
    if (const char* large = std::getenv("ZANDREL_BENCH_4M"); large && *large == '1')
        sizes.push_back(4'000'000);
    return sizes;
}

// Rows at every list size, timed by compare().
inline void perListSize(benchmark::internal::Benchmark* b)
{
    b->ArgName("entries");
    for (const long size : listSizes())
        b->Arg(size);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace bench
