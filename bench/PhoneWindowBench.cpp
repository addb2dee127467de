// The main window against the emulator phone of 10k, 100k and 1M files: "Read from phone" from
// the click to the painted rows, and one tick of the connection monitor. The baselines are the
// library calls alone (File_Count and File_List; P2K_GetStatus and File_VolInfo), so the ratio
// is what the window adds to the phone's own time.
#include "BenchPhones.h"
#include "BenchRatio.h"
#include "QtBenchMain.h"
#include "TempFolder.h"
#include "phonelink/LibraryPhoneLink.h"
#include "ui/mainwindow/Unit1.h"

#include <QApplication>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <fstream>

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

// A client of the X server beside the window, as the user's pointer and the window manager are:
// it moves the pointer over the window (real motion events from the server) and then pings the
// window with _NET_WM_PING, the window manager's test of a window that answers. The window
// handles its X events in order, so the pong also says the motion before it was taken in.
class XProbe {
public:
    XProbe() : display_(XOpenDisplay(nullptr))
    {
        if (!display_)
            return;
        // Where a window sends its pong; only a window manager takes redirection, and the probe
        // stands in for one.
        XSelectInput(display_, DefaultRootWindow(display_),
                     SubstructureNotifyMask | SubstructureRedirectMask);
        XSync(display_, False);
        protocols_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        ping_ = XInternAtom(display_, "_NET_WM_PING", False);
    }
    ~XProbe()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    XProbe(const XProbe&) = delete;
    XProbe& operator=(const XProbe&) = delete;
    bool connected() const { return display_ != nullptr; }

    // Seconds from the motion to the pong, or `patience` when none came by then.
    double probe(::Window window, QPoint at, double patience)
    {
        XWarpPointer(display_, None, window, 0, 0, 0, 0, at.x(), at.y());
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocols_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(ping_);
        event.xclient.data.l[1] = ++stamp_;
        event.xclient.data.l[2] = static_cast<long>(window);
        const auto start = std::chrono::steady_clock::now();
        XSendEvent(display_, window, False, NoEventMask, &event);
        XFlush(display_);
        for (;;) {
            while (XPending(display_) > 0) {
                XNextEvent(display_, &event);
                if (event.type == ClientMessage && event.xclient.data.l[0] == long(ping_) &&
                    event.xclient.data.l[1] == stamp_)
                    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                        .count();
            }
            const double waited =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (waited >= patience)
                return patience;
            pollfd connection{ConnectionNumber(display_), POLLIN, 0};
            ::poll(&connection, 1, static_cast<int>((patience - waited) * 1e3) + 1);
        }
    }

private:
    Display* display_;
    Atom protocols_ = 0;
    Atom ping_ = 0;
    long stamp_ = 0;
};

// Probes the window every kEvery from a thread of its own while it lives.
class AnswerWatch {
public:
    static constexpr std::chrono::milliseconds kEvery{20};
    static constexpr double kPatience = 5.0;

    AnswerWatch(::Window window, QPoint at)
    {
        thread_ = std::thread([this, window, at] {
            XProbe probe;
            while (!done_) {
                const double answer = probe.probe(window, at, kPatience);
                longest_ = std::max(longest_, answer);
                total_ += answer;
                ++probes_;
                std::this_thread::sleep_for(kEvery);
            }
            finished_ = true;
        });
    }
    ~AnswerWatch() { stop(); }
    // The last probe's pong needs the window's thread, which runs its event loop meanwhile.
    void stop()
    {
        done_ = true;
        while (!finished_)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (thread_.joinable())
            thread_.join();
    }
    double longest() const { return longest_; }
    double mean() const { return probes_ ? total_ / static_cast<double>(probes_) : 0; }
    std::size_t probes() const { return probes_; }

private:
    std::atomic<bool> done_ = false;
    std::atomic<bool> finished_ = false;
    std::thread thread_;
    double longest_ = 0;
    double total_ = 0;
    std::size_t probes_ = 0;
};

constexpr std::size_t kFilesToClean = 1000;

// The window's own boxes, as users see them, closed as soon as they show: the box a clean ends
// with would otherwise wait for a click nobody makes.
class BoxCloser {
public:
    BoxCloser()
    {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        timer_.start(10);
    }

private:
    QTimer timer_;
};

// A phone folder of `count` files for a list clean to delete, made anew for each round.
std::vector<std::string> makeFilesToClean(const std::string& root, std::size_t count)
{
    std::vector<std::string> paths;
    std::filesystem::create_directories(root + "/fs/a/mobile/audio");
    for (std::size_t i = 0; i < count; ++i) {
        const std::string path = "/a/mobile/audio/c" + std::to_string(i) + ".mp3";
        std::ofstream(root + "/fs" + path) << "x";
        paths.push_back(path);
    }
    return paths;
}

// The window under X while a handler works: how long the window takes to answer the pointer and
// the window manager's ping (answer_max_ms, answer_mean_ms), against the same probes of the
// idle window for as long (idle_answer_max_ms); ratio is the longest answer during the work
// over the longest idle one. Run on an X server (xvfb-run, QT_QPA_PLATFORM=xcb); a read of the
// phone of `files` files, or a list clean of kFilesToClean files when files is 0.
void WindowAnswersUnderX(benchmark::State& state)
{
    if (QGuiApplication::platformName() != QStringLiteral("xcb") || !XProbe().connected()) {
        state.SkipWithError("needs an X server: xvfb-run -a with QT_QPA_PLATFORM=xcb");
        return;
    }
    const auto files = static_cast<std::size_t>(state.range(0));
    TempFolder home("zandrel-bench-home");
    ::setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    TempFolder cleaned("zandrel-bench-clean");
    ::setenv("P2KEMU_ROOT", files ? bench::phoneFolder(files).c_str() : cleaned.path.c_str(), 1);
    LibraryPhoneLink phone;
    // The window's own prompts: their progress gives the window its turns in work that runs in
    // memory, as for users.
    BoxCloser boxes;
    auto form = std::make_unique<TForm1>(phone, home.path + "/");
    form->Timer2->stop();
    form->show();
    runEventLoopFor(std::chrono::milliseconds(300));
    const auto window = static_cast<::Window>(form->winId());
    const QPoint at = form->StopButton->mapTo(form.get(), form->StopButton->rect().center());
    double longest = 0, mean = 0, idleLongest = 0;
    std::size_t probes = 0;
    for (auto _ : state) {
        if (!files)
            form->session().clean = PathList();
        if (!files)
            for (const std::string& path : makeFilesToClean(cleaned.path, kFilesToClean))
                form->session().clean.push_back(path);
        else
            phone.fileCount(); // the emulator's first walk is not the window's
        const auto start = std::chrono::steady_clock::now();
        AnswerWatch busy(window, at);
        files ? form->BitBtn11Click() : form->BitBtn21Click();
        const auto took = std::chrono::steady_clock::now() - start;
        busy.stop();
        AnswerWatch idle(window, at);
        runEventLoopFor(std::chrono::duration_cast<std::chrono::milliseconds>(took));
        idle.stop();
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        longest = std::max(longest, busy.longest());
        mean = busy.mean();
        probes += busy.probes();
        idleLongest = std::max(idleLongest, idle.longest());
    }
    state.counters["answer_max_ms"] = longest * 1e3;
    state.counters["answer_mean_ms"] = mean * 1e3;
    state.counters["idle_answer_max_ms"] = idleLongest * 1e3;
    state.counters["ratio"] = idleLongest > 0 ? longest / idleLongest : 0;
    state.counters["probes"] = static_cast<double>(probes);
}
BENCHMARK(WindowAnswersUnderX)
    ->ArgName("files")
    ->Arg(0)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

// The X probe stands in for a window manager, which tells its clients on the root window that it
// pings them; a window answers pings only then. Said before the program's first window is made.
void announcePings()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    XChangeProperty(display, DefaultRootWindow(display),
                    XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeAppend,
                    reinterpret_cast<unsigned char*>(&ping), 1);
    XCloseDisplay(display);
}

int main(int argc, char** argv)
{
    if (qgetenv("QT_QPA_PLATFORM") == "xcb")
        announcePings();
    return runQtBenchmarks(argc, argv);
}
