// The main window against the emulator phone of 10k, 100k and 1M files: "Read from phone" from
// the click to the painted rows, and one tick of the connection monitor. The baselines are the
// library calls alone (File_Count and File_List; P2K_GetStatus and File_VolInfo), so the ratio
// is what the window adds to the phone's own time.
#include "BenchPhones.h"
#include "BenchRatio.h"
#include "QtBenchMain.h"
#include "phonelink/LibraryPhoneLink.h"
#include "ui/mainwindow/Unit1.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
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

// The longest the window's thread went without a turn of its event loop while it was measured.
class LongestGap {
public:
    LongestGap()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { turn(); });
        timer_.start();
        last_ = std::chrono::steady_clock::now();
    }
    double seconds()
    {
        turn();
        return longest_;
    }

private:
    void turn()
    {
        const auto now = std::chrono::steady_clock::now();
        longest_ = std::max(longest_, std::chrono::duration<double>(now - last_).count());
        last_ = now;
    }
    QTimer timer_;
    std::chrono::steady_clock::time_point last_;
    double longest_ = 0;
};

void runEventLoopFor(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// "Read from phone" clicked 1.2 s after the window was made, as a user does at start-up: the
// emulator's first walk is still to come, and the monitor's first tick (at 1 s) has asked for
// the free space, which waits for the walk. From the click to the painted rows; loop_gap_ms is the
// longest the window's thread went without a turn of its event loop meanwhile (a turn paints the
// window and answers the frame, Stop and Esc), as a 5 ms timer of that thread sees it. The baseline makes the same calls in the same
// order on a fresh P2K_Init: the tick's two calls at 1 s on a thread of their own, then at 1.2 s
// (from where it is timed) the end of those, File_Count and File_List.
void ReadFromPhoneRightAfterStart(benchmark::State& state)
{
    ::setenv("P2KEMU_ROOT", bench::phoneFolder(static_cast<std::size_t>(state.range(0))).c_str(),
             1);
    LibraryPhoneLink phone;
    const std::string programFolder = fs::temp_directory_path().string() + "/";
    constexpr std::chrono::milliseconds kTick{1000};
    constexpr std::chrono::milliseconds kClick{1200};
    std::vector<unsigned char> records;
    double windowSeconds = 0;
    std::size_t rows = 0;
    bench::compare(
        state,
        [&] {
            auto form = std::make_unique<TForm1>(phone, programFolder);
            form->show();
            runEventLoopFor(kClick);
            LongestGap gap;
            const auto start = std::chrono::steady_clock::now();
            form->BitBtn11Click();
            form->CheckListBox1->viewport()->repaint();
            const double took =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            windowSeconds = std::max(windowSeconds, gap.seconds());
            rows = form->session().sweep.size();
            return took;
        },
        [&] {
            phone.init();
            std::this_thread::sleep_for(kTick);
            std::thread tick([&] {
                int32_t info = 0;
                benchmark::DoNotOptimize(phone.getStatus());
                benchmark::DoNotOptimize(phone.volInfo(&info));
            });
            std::this_thread::sleep_for(kClick - kTick);
            const auto start = std::chrono::steady_clock::now();
            tick.join();
            const int32_t count = phone.fileCount();
            records.assign(static_cast<std::size_t>(count) * kFileRecordSize, 0);
            phone.fileList(records.data(), count);
            return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        });
    state.counters["loop_gap_ms"] = windowSeconds * 1e3;
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(ReadFromPhoneRightAfterStart)
    ->ArgName("files")
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

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
