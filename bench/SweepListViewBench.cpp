// The check list's view over a SweepList of 10k to 1M entries: what a read, a rule and a search
// cost the window after the core has done its part, against the same view over the plainest
// model there is (a row count and one fixed text).
#include "BenchRatio.h"
#include "QtBenchMain.h"
#include "sweep/SweepList.h"
#include "sweep/TickRules.h"
#include "ui/mainwindow/SweepListModel.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QListView>

#include <memory>
#include <string>

using namespace zandrel;

namespace {

class PlainModel final : public QAbstractListModel {
public:
    int rows = 0;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : rows;
    }
    QVariant data(const QModelIndex&, int role) const override
    {
        if (role == Qt::DisplayRole)
            return text_;
        if (role == Qt::CheckStateRole)
            return Qt::Unchecked;
        return {};
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }
    void changed() { emit dataChanged(index(0), index(rows - 1), {Qt::CheckStateRole}); }

private:
    QVariant text_ = QStringLiteral("/a/mobile/picture/1000000.jpg");
};

std::unique_ptr<QListView> listView(QAbstractItemModel* model)
{
    auto view = std::make_unique<QListView>();
    view->setUniformItemSizes(true);
    view->setModel(model);
    view->resize(313, 249);
    view->show();
    QApplication::processEvents();
    return view;
}

struct Views {
    SweepList list;
    SweepListModel model{list};
    PlainModel plain;
    std::unique_ptr<QListView> ours;
    std::unique_ptr<QListView> baseline;

    explicit Views(std::size_t rows)
    {
        list.reserve(rows, rows * 30);
        for (std::size_t i = 0; i < rows; ++i)
            list.append("/a/mobile/picture/" + std::to_string(i) + ".jpg");
        plain.rows = static_cast<int>(rows);
        model.sync();
        ours = listView(&model);
        baseline = listView(&plain);
    }
};

// As in the program: the event loop runs the view's delayed layout, then the rows are painted.
void paint(QListView& view)
{
    QApplication::processEvents();
    view.viewport()->repaint();
}

void ViewAfterRead(benchmark::State& state)
{
    Views v(static_cast<std::size_t>(state.range(0)));
    bench::compare(
        state,
        [&] {
            v.list.append("/a/new"); // the rows are rebuilt, as after a read
            v.model.sync();
            paint(*v.ours);
        },
        [&] {
            ++v.plain.rows; // one more row, as on the other side
            v.plain.reset();
            paint(*v.baseline);
        });
}
BENCHMARK(ViewAfterRead)->Apply(bench::perListSize);

void ViewAfterRule(benchmark::State& state)
{
    Views v(static_cast<std::size_t>(state.range(0)));
    bench::compare(
        state,
        [&] {
            TickByRule(v.list, TickRule::Pictures);
            v.model.sync();
            paint(*v.ours);
        },
        [&] {
            v.plain.changed();
            paint(*v.baseline);
        });
}
BENCHMARK(ViewAfterRule)->Apply(bench::perListSize);

// Each side jumps end to end on its own, whichever goes first. The search's own scan is timed
// in bench_sweep_list; here the hit is selected as the search selects it.
void ViewScrollToSearchHit(benchmark::State& state)
{
    const auto rows = static_cast<std::size_t>(state.range(0));
    Views v(rows);
    const auto jump = [rows](std::size_t& target) {
        target = target == rows - 1 ? 0 : rows - 1;
        return target;
    };
    std::size_t oursTarget = 0;
    std::size_t baselineTarget = 0;
    bench::compare(
        state,
        [&] {
            v.list.select(jump(oursTarget));
            v.ours->scrollTo(v.model.index(static_cast<int>(*v.list.selected())));
            paint(*v.ours);
        },
        [&] {
            v.baseline->scrollTo(v.plain.index(static_cast<int>(jump(baselineTarget))));
            paint(*v.baseline);
        });
}
BENCHMARK(ViewScrollToSearchHit)->Apply(bench::perListSize);

} // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
