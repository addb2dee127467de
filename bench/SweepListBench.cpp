// TickByRule, SearchBySuffix and ReadFromPhone over a million phone paths.
#include "BenchPaths.h"
#include "base/MessageTexts.h"
#include "sweep/ReadFromPhone.h"
#include "sweep/TickRules.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

using namespace zandrel;

namespace {
constexpr std::size_t kPaths = 1'000'000;

const std::vector<std::string>& paths()
{
    static const std::vector<std::string> all = benchPaths(kPaths);
    return all;
}

SweepList sweepList()
{
    SweepList list;
    list.reserve(kPaths, kPaths * 40);
    for (const auto& path : paths())
        list.append(path);
    return list;
}

// A phone that answers the list from memory and ignores everything else.
class BenchPhone final : public PhoneLink {
public:
    int32_t init() override { return 0; }
    int32_t getStatus() override { return 1; }
    int32_t restart() override { return 0; }
    int32_t fileCount() override { return static_cast<int32_t>(paths().size()); }
    int32_t fileList(void* records, int32_t count) override
    {
        auto* out = static_cast<unsigned char*>(records);
        for (int32_t i = 0; i < count; ++i) {
            const std::string& path = paths()[static_cast<std::size_t>(i)];
            std::memcpy(out + static_cast<std::size_t>(i) * kFileRecordSize + kRecordNameOffset,
                        path.data(), std::min(path.size(), kRecordNameSize));
        }
        return 0;
    }
    int32_t volInfo(int32_t*) override { return 0; }
    int32_t fileDelete(const std::string&) override { return 0; }
    int32_t fileCreate(const std::string&, int32_t) override { return 0; }
    int32_t fileWrite(const void*, int32_t, int32_t) override { return 0; }
    int32_t fileClose() override { return 0; }
    int32_t seemWrite(int32_t, int32_t, int32_t, int32_t, void*) override { return 0; }
};

class SilentPrompts final : public Prompts {
public:
    void warning(const std::string&) override {}
    void information(const std::string&) override {}
    void error(const std::string&) override {}
    std::optional<std::string> saveFileName() override { return std::nullopt; }
    std::optional<std::string> openFileName() override { return std::nullopt; }
    void setCaption(const std::string&) override {}
    void progress(std::size_t, std::size_t) override {}
};

void TickByRuleBench(benchmark::State& state)
{
    SweepList list = sweepList();
    const auto rule = static_cast<TickRule>(state.range(0));
    for (auto _ : state) {
        TickByRule(list, rule);
        benchmark::DoNotOptimize(list.ticked(0));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(TickByRuleBench)
    ->Arg(static_cast<int>(TickRule::Audio))
    ->Arg(static_cast<int>(TickRule::PicturesFromRoot))
    ->Arg(static_cast<int>(TickRule::CameraSound))
    ->Unit(benchmark::kMillisecond);

void SearchBySuffixBench(benchmark::State& state)
{
    SweepList list = sweepList();
    // The first entry is the only match, so the whole list is looked at.
    const std::string text = paths().front();
    for (auto _ : state)
        benchmark::DoNotOptimize(SearchBySuffix(list, text));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * list.size()));
}
BENCHMARK(SearchBySuffixBench)->Unit(benchmark::kMillisecond);

void ReadFromPhoneBench(benchmark::State& state)
{
    BenchPhone phone;
    SilentPrompts prompts;
    MessageTexts texts;
    SweepSession session{phone, prompts, texts, {}, {}, {}};
    for (auto _ : state) {
        ReadFromPhone(session);
        state.PauseTiming();
        session.java.clear(); // it only ever grows; keep every round the same
        state.ResumeTiming();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * paths().size()));
}
BENCHMARK(ReadFromPhoneBench)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
