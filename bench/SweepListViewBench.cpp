// The check list's view over a million-entry SweepList: what a read, a rule and a search cost
// the window after the core has done its part.
#include "sweep/SweepList.h"
#include "sweep/TickRules.h"
#include "ui/SweepListModel.h"

#include <QApplication>
#include <QListView>

#include <benchmark/benchmark.h>
#include <string>

using namespace zandrel;

namespace {
constexpr std::size_t kRows = 1'000'000;

void fill(SweepList& list)
{
    list.clear();
    list.reserve(kRows, kRows * 28);
    std::string path;
    for (std::size_t i = 0; i < kRows; ++i) {
        path = "/a/mobile/picture/" + std::to_string(i) + ".jpg";
        list.append(path);
    }
}

struct View {
    SweepList list;
    SweepListModel model{list};
    QListView view;

    View()
    {
        view.setUniformItemSizes(true);
        view.setModel(&model);
        view.resize(313, 249);
        fill(list);
        model.sync();
        view.show();
        QApplication::processEvents();
    }
};

void ViewAfterRead(benchmark::State& state)
{
    View v;
    for (auto _ : state) {
        fill(v.list); // a new read: the rows are rebuilt
        v.model.sync();
        QApplication::processEvents();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}
BENCHMARK(ViewAfterRead)->Unit(benchmark::kMillisecond);

void ViewAfterRule(benchmark::State& state)
{
    View v;
    for (auto _ : state) {
        TickByRule(v.list, TickRule::Pictures);
        v.model.sync();
        QApplication::processEvents();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kRows));
}
BENCHMARK(ViewAfterRule)->Unit(benchmark::kMillisecond);

void ViewScrollToSearchHit(benchmark::State& state)
{
    View v;
    std::size_t target = kRows - 1;
    for (auto _ : state) {
        SearchBySuffix(v.list, "/" + std::to_string(target) + ".jpg");
        v.view.scrollTo(v.model.index(static_cast<int>(*v.list.selected())));
        QApplication::processEvents();
        target = target == kRows - 1 ? 0 : kRows - 1; // jump end to end
    }
}
BENCHMARK(ViewScrollToSearchHit)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
