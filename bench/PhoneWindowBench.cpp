// The main window against the emulator phone of 10k, 100k and 1M files: "Read from phone" from
// the click to the painted rows, and one tick of the connection monitor. The baselines are the
// library calls alone (File_Count and File_List; P2K_GetStatus and File_VolInfo), so the ratio
// is what the window adds to the phone's own time.
#include "BenchPhones.h"
#include "BenchRatio.h"
#include "QtBenchMain.h"
#include "phonelink/LibraryPhoneLink.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

using namespace zandrel;
namespace fs = std::filesystem;

namespace {

struct Window {
    LibraryPhoneLink phone;
    std::unique_ptr<TForm1> form;
    std::string programFolder = fs::temp_directory_path().string() + "/";

    explicit Window(std::size_t files)
    {
        ::setenv("P2KEMU_ROOT", bench::phoneFolder(files).c_str(), 1);
        form = std::make_unique<TForm1>(phone, programFolder);
        form->Timer2->stop();
        form->show();
        QApplication::processEvents();
        // The emulator walks its folder once, at the first call that needs the file list; that
        // walk is measured on its own in bench_emulator. Paid here, neither side of a row pays it.
        phone.fileCount();
    }
};

void ReadFromPhoneClick(benchmark::State& state)
{
    Window w(static_cast<std::size_t>(state.range(0)));
    std::vector<unsigned char> records;
    bench::compare(
        state,
        [&] {
            w.form->BitBtn11Click();
            w.form->CheckListBox1->viewport()->repaint();
        },
        [&] {
            const int32_t count = w.phone.fileCount();
            records.assign(static_cast<std::size_t>(count) * kFileRecordSize, 0);
            w.phone.fileList(records.data(), count);
        });
    state.counters["rows"] = static_cast<double>(w.form->session().sweep.size());
}
BENCHMARK(ReadFromPhoneClick)->Apply(bench::perPhoneSize);

// Zandrel's figure is the whole tick, from the timer to the answer shown; window_ms is how long
// the window itself was held.
void MonitorTick(benchmark::State& state)
{
    Window w(static_cast<std::size_t>(state.range(0)));
    int32_t info = 0;
    double windowSeconds = 0;
    bench::compare(
        state,
        [&] {
            const auto start = std::chrono::steady_clock::now();
            w.form->Timer2Timer();
            windowSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            while (w.form->tickPending())
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        },
        [&] {
            benchmark::DoNotOptimize(w.phone.getStatus());
            benchmark::DoNotOptimize(w.phone.volInfo(&info));
        });
    state.counters["window_ms"] = windowSeconds / static_cast<double>(state.iterations()) * 1e3;
}
BENCHMARK(MonitorTick)->Apply(bench::perPhoneSize);

} // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
