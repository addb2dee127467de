// TickByRule and SearchBySuffix against plain loops over the same contiguous storage, and what
// keeping the ticked totals adds to a rule's pass.
#include "BenchRatio.h"
#include "RawPaths.h"
#include "sweep/TickRules.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>

using namespace zandrel;

namespace {

struct Lists {
    SweepList sweep;
    RawPaths raw;

    explicit Lists(const std::vector<std::string>& paths) : raw(paths)
    {
        // Sizes of a few bytes to a few hundred kilobytes, so the totals have something to add.
        for (std::size_t i = 0; i < paths.size(); ++i)
            sweep.append(paths[i], static_cast<std::uint32_t>(i * 7919 % 400'000));
    }
};

Lists& lists(std::size_t count)
{
    static std::map<std::size_t, std::unique_ptr<Lists>> made;
    auto& lists = made[count];
    if (!lists)
        lists = std::make_unique<Lists>(benchPaths(count));
    return *lists;
}

// The baseline: every rule written out as memcmp calls with constant lengths in one loop.
template <typename Test> void rawTick(RawPaths& raw, Test test)
{
    const char* bytes = raw.bytes.data();
    std::size_t begin = 0;
    for (std::size_t i = 0; i < raw.ends.size(); ++i) {
        const std::size_t end = raw.ends[i];
        if (test(bytes + begin, end - begin))
            raw.ticks[i] = 1;
        begin = end;
    }
}

bool prefix(const char* p, std::size_t n, const char* literal, std::size_t length)
{
    return n >= length && std::memcmp(p, literal, length) == 0;
}

// Literal lengths are spelt out so the compiler sees constants, as in a hand-written loop.
void rawTickByRule(RawPaths& raw, TickRule rule)
{
    switch (rule) {
    case TickRule::Audio:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return prefix(p, n, "/a/mobile/audio", 15) &&
                   !(n == 28 && std::memcmp(p, "/a/mobile/audio/funlight.pat", 28) == 0);
        });
    case TickRule::Pictures:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return prefix(p, n, "/a/mobile/picture", 17);
        });
    case TickRule::NotUsed:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return prefix(p, n, "/a/mobile/mib/pcf", 17);
        });
    case TickRule::PicturesFromRoot:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return n >= 3 && std::memcmp(p, "/a/", 3) == 0 &&
                   (std::memcmp(p + n - 3, "gif", 3) == 0 || std::memcmp(p + n - 3, "png", 3) == 0);
        });
    case TickRule::Mms:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return prefix(p, n, "/a/mobile/mms/mmstemplate", 25);
        });
    case TickRule::CameraSound:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return n >= 12 && std::memcmp(p, "/a/mobile/sy", 12) == 0 &&
                   (std::memcmp(p + n - 3, "amr", 3) == 0 || std::memcmp(p + n - 3, "wav", 3) == 0);
        });
    case TickRule::Theme:
        return rawTick(raw, [](const char* p, std::size_t n) {
            return n >= 3 && std::memcmp(p, "/a/", 3) == 0 && std::memcmp(p + n - 3, "tcf", 3) == 0;
        });
    case TickRule::Video:
        return rawTick(
            raw, [](const char* p, std::size_t n) { return prefix(p, n, "/a/mobile/video", 15); });
    }
}

void TickByRuleBench(benchmark::State& state)
{
    const auto rule = static_cast<TickRule>(state.range(0));
    Lists& l = lists(static_cast<std::size_t>(state.range(1)));
    bench::compare(
        state, [&] { TickByRule(l.sweep, rule); }, [&] { rawTickByRule(l.raw, rule); });
    benchmark::DoNotOptimize(l.raw.ticks.data());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * l.sweep.size()));
}
BENCHMARK(TickByRuleBench)
    ->ArgNames({"rule", "entries"})
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (int rule = 0; rule <= static_cast<int>(TickRule::Video); ++rule)
            for (const long size : bench::listSizes())
                b->Args({rule, size});
    })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The last entry of the baseline's storage whose path ends in `text`, looked at from the end.
std::ptrdiff_t rawSearch(const RawPaths& raw, std::string_view text)
{
    const char* bytes = raw.bytes.data();
    for (std::size_t i = raw.ends.size(); i-- > 0;) {
        const std::size_t begin = i == 0 ? 0 : raw.ends[i - 1];
        const std::size_t end = raw.ends[i];
        if (end - begin >= text.size() &&
            std::memcmp(bytes + end - text.size(), text.data(), text.size()) == 0)
            return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

void SearchBySuffixBench(benchmark::State& state)
{
    Lists& l = lists(static_cast<std::size_t>(state.range(0)));
    // The first entry is the only match, so the whole list is looked at.
    const std::string text(l.sweep.path(0));
    bench::compare(
        state, [&] { benchmark::DoNotOptimize(SearchBySuffix(l.sweep, text)); },
        [&] { benchmark::DoNotOptimize(rawSearch(l.raw, text)); });
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * l.sweep.size()));
}
BENCHMARK(SearchBySuffixBench)->Apply(bench::perListSize);

// The tick alone: the list's own pass as it is without the totals, over the same storage.
template <typename Test>
void tickAlone(const PathList& paths, std::vector<std::uint8_t>& ticks, Test&& passes)
{
    std::uint8_t* const out = ticks.data();
    paths.forEach([&](std::size_t i, std::string_view path) {
        if (passes(path))
            out[i] = 1;
    });
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Every round starts with nothing ticked, so each match is a new tick the totals must take in.
// "matching" 0 is the audio rule's prefix (a tenth of the rows), 1 a prefix every path has: a
// rule that ticks the whole list. Both read each path, as every rule does.
void TickedTotalsBench(benchmark::State& state)
{
    const bool everyRow = state.range(0) == 1;
    Lists& l = lists(static_cast<std::size_t>(state.range(1)));
    const auto passes = [everyRow](std::string_view path) {
        return path.starts_with(everyRow ? std::string_view("/a/") : "/a/mobile/audio");
    };
    std::vector<std::uint8_t> ticks(l.sweep.size());
    bench::compare(
        state,
        [&] {
            for (std::size_t i = 0; i < l.sweep.size(); ++i)
                l.sweep.setTicked(i, false);
            const auto start = std::chrono::steady_clock::now();
            l.sweep.tickWhere(passes);
            benchmark::DoNotOptimize(l.sweep.tickedBytes());
            return secondsSince(start);
        },
        [&] {
            std::fill(ticks.begin(), ticks.end(), 0);
            const auto start = std::chrono::steady_clock::now();
            tickAlone(l.sweep.paths(), ticks, passes);
            benchmark::DoNotOptimize(ticks.data());
            return secondsSince(start);
        });
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * l.sweep.size()));
}
BENCHMARK(TickedTotalsBench)
    ->ArgNames({"matching", "entries"})
    ->Apply([](benchmark::internal::Benchmark* b) {
        for (const long matching : {0L, 1L})
            for (const long size : bench::listSizes())
                b->Args({matching, size});
    })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
