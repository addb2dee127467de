// The Deleted files window given 100k and 1M kept copies, from its rows to the first paint,
// against a bare QTreeView over the plainest three-column model of as many rows.
#include "BenchRatio.h"
#include "QtBenchMain.h"
#include "backup/BackupTexts.h"
#include "ui/windows/KeptFilesWindow.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QTreeView>

#include <memory>
#include <string>

namespace {

class PlainModel final : public QAbstractTableModel {
public:
    int rows = 0;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : rows;
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : 3;
    }
    QVariant data(const QModelIndex&, int role) const override
    {
        return role == Qt::DisplayRole ? text_ : QVariant();
    }

private:
    QVariant text_ = QStringLiteral("/a/mobile/picture/1000000.jpg");
};

std::vector<KeptFileRow> keptRows(std::size_t count)
{
    std::vector<KeptFileRow> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        rows.push_back({1800000000 + static_cast<std::int64_t>(i),
                        QStringLiteral("/a/mobile/picture/%1.jpg").arg(i), 1000 + i});
    return rows;
}

void KeptFilesWindowBench(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const zandrel::BackupTexts texts;
    bench::compare(
        state,
        [&] {
            std::vector<KeptFileRow> rows = keptRows(count);
            const auto start = std::chrono::steady_clock::now();
            KeptFilesWindow window(KeptFilesWindow::Kind::Trash, texts, {}, {});
            window.setRows(std::move(rows));
            window.showWindow();
            QApplication::processEvents();
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        },
        [&] {
            PlainModel model;
            model.rows = static_cast<int>(count);
            QTreeView view;
            view.setUniformRowHeights(true);
            view.setRootIsDecorated(false);
            view.setModel(&model);
            view.resize(640, 360);
            view.show();
            QApplication::processEvents();
        });
}
BENCHMARK(KeptFilesWindowBench)
    ->ArgName("copies")
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
