// Start-up to the first painted main window, as whole processes: zandrel against the emulator
// and a bare QMainWindow program, started in turns. Neither program knows it is timed. Two
// signals say when a window is first flushed to the screen: Qt's own "qt.widgets.painting" log,
// which also writes a line for every widget marked for painting (about ninety for zandrel, a
// few for the bare window), and a probe preloaded into both that writes one line at the first
// flush and costs both the same.
#include "BenchRatio.h"
#include "TempFolder.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string programFolder()
{
    std::string self(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
    if (n <= 0)
        throw std::runtime_error("cannot find the bench program");
    self.resize(static_cast<std::size_t>(n));
    return self.substr(0, self.find_last_of('/'));
}

// The emulator's phone folder for every zandrel started here; the demo content is made on the
// first start, which the warm-up round pays for. It goes when the bench ends.
const std::string& phoneFolder()
{
    static const TempFolder folder("zandrel-phone");
    static const std::string phone = folder.path + "/phone";
    return phone;
}

// The platforms a row can start the programs on: Qt's offscreen one always, and the X server's
// when there is one (DISPLAY set, as under xvfb-run), which is where users start them.
const char* const kPlatforms[] = {"offscreen", "xcb"};

// How a row learns of the first flush: the line to wait for, and what the programs are given.
struct FlushSignal {
    const char* line;
    bool probe; // the preloaded probe instead of Qt's painting log
};
const FlushSignal kSignals[] = {{"Flushing", false}, {"zandrel-bench: first flush", true}};

// Starts the program and returns the seconds until its first window is flushed. With dataHome,
// the program keeps its deleted files below it.
double secondsToFirstPaint(const std::string& program, const char* platform, FlushSignal signal,
                           const std::string& dataHome = {})
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    std::vector<std::string> env = {std::string("QT_QPA_PLATFORM=") + platform,
                                    "P2KEMU_ROOT=" + phoneFolder()};
    if (signal.probe)
        env.push_back("LD_PRELOAD=" + programFolder() + "/bench_first_flush_probe.so");
    else
        env.push_back("QT_LOGGING_RULES=qt.widgets.painting=true");
    if (!dataHome.empty())
        env.push_back("XDG_DATA_HOME=" + dataHome);
    for (const char* name : {"HOME", "PATH", "XDG_RUNTIME_DIR", "TMPDIR", "DISPLAY", "XAUTHORITY"})
        if (const char* value = std::getenv(name))
            env.push_back(std::string(name) + "=" + value);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string path = program;
    char* argv[] = {path.data(), nullptr};

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot start " + program);
    }
    std::string seen;
    bool painted = false;
    char buffer[4096];
    while (!painted) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 20'000) <= 0)
            break;
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        seen.append(buffer, static_cast<std::size_t>(n));
        painted = seen.find(signal.line) != std::string::npos;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::kill(pid, SIGKILL);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!painted)
        throw std::runtime_error(program + " painted no window:\n" + seen);
    return seconds;
}

// Args: the platform, an index into kPlatforms; the signal, an index into kSignals.
void StartupBench(benchmark::State& state)
{
    const char* platform = kPlatforms[state.range(0)];
    const FlushSignal signal = kSignals[state.range(1)];
    const char* display = std::getenv("DISPLAY");
    if (std::string_view(platform) == "xcb" && (!display || !*display)) {
        state.SkipWithError("no X server: run under xvfb-run for this row");
        return;
    }
    const std::string folder = programFolder();
    const std::string zandrel = folder + "/zandrel";
    const std::string bare = folder + "/bench_bare_window";
    try {
        // The untimed first round makes the phone folder, and both get their libraries cached.
        bench::compare(
            state, [&] { secondsToFirstPaint(zandrel, platform, signal); },
            [&] { secondsToFirstPaint(bare, platform, signal); });
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(StartupBench)
    ->ArgNames({"xcb", "probe"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A trash of `runs` deletion runs of one small copy each, 100 days old, and one of today, so
// that the old ones are due to go; none for 0.
void makeTrash(const std::string& dataHome, int runs)
{
    namespace fs = std::filesystem;
    const std::string trash = dataHome + "/zandrel/trash";
    fs::remove_all(trash);
    fs::create_directories(trash);
    const long today = static_cast<long>(std::time(nullptr));
    for (int i = 0; i <= (runs > 0 ? runs : -1); ++i) {
        const bool recent = i == runs;
        const long when = recent ? today : today - 100L * 86400 + i;
        char name[32];
        const std::time_t at = when;
        std::strftime(name, sizeof name, "%Y%m%d-%H%M%S", std::localtime(&at));
        const std::string run = trash + "/" + name + (recent ? "" : "-" + std::to_string(i % 999 + 1));
        fs::create_directories(run);
        std::ofstream(run + "/1") << "abc";
        std::ofstream(run + "/index.tsv")
            << "1\t" << when << "\t3\t/a/mobile/picture/p" << i << ".jpg\temulator\t\n";
    }
}

// The start with 1,000 old deletion runs to tidy against a start with none (goal: within 1.3x):
// the tidying waits for the first paint and runs off the window's thread. The trash is made
// again before each start, untimed.
void StartupWithOldRunsBench(benchmark::State& state)
{
    const char* platform = kPlatforms[state.range(0)];
    const char* display = std::getenv("DISPLAY");
    if (std::string_view(platform) == "xcb" && (!display || !*display)) {
        state.SkipWithError("no X server: run under xvfb-run for this row");
        return;
    }
    const std::string zandrel = programFolder() + "/zandrel";
    const TempFolder withRuns("zandrel-old-runs");
    const TempFolder empty("zandrel-no-runs");
    const int runs = static_cast<int>(state.range(1));
    try {
        bench::compare(
            state,
            [&] {
                makeTrash(withRuns.path, runs);
                return secondsToFirstPaint(zandrel, platform, kSignals[1], withRuns.path);
            },
            [&] {
                makeTrash(empty.path, 0);
                return secondsToFirstPaint(zandrel, platform, kSignals[1], empty.path);
            });
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}
BENCHMARK(StartupWithOldRunsBench)
    ->ArgNames({"xcb", "old_runs"})
    ->ArgsProduct({{0, 1}, {1000}})
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
