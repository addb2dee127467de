// The main window against the emulator phone of 10k, 100k and 1M files: "Read from phone" from
// the click to the painted rows, and one tick of the connection monitor. The baselines are the
// library calls alone (File_Count and File_List; P2K_GetStatus and File_VolInfo), so the ratio
// is what the window adds to the phone's own time.
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

std::string benchFolder()
{
    return fs::canonical("/proc/self/exe").parent_path().parent_path().string() + "/bench-phones";
}

// A phone folder holding `count` empty files, a thousand to a folder, kept between runs.
std::string phoneFolder(std::size_t count)
{
    const std::string root = benchFolder() + "/" + std::to_string(count);
    const std::string complete = root + "/.complete";
    if (fs::exists(complete))
        return root;
    fs::remove_all(root);
    static const char* const kFolders[] = {"a/mobile/audio", "a/mobile/picture", "a/mobile/video",
                                           "a/mobile/system", "a/mobile/kjava"};
    for (std::size_t i = 0; i < count; ++i) {
        const std::string folder = root + "/fs/" + kFolders[(i / 1000) % std::size(kFolders)] +
                                   "/d" + std::to_string(i / 1000);
        if (i % 1000 == 0)
            fs::create_directories(folder);
        const std::string file = folder + "/f" + std::to_string(i) + ".dat";
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            throw std::runtime_error("cannot make " + file);
        ::close(fd);
    }
    ::close(::open(complete.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    return root;
}

// The list sizes up to a million: a phone folder of four million files is more than a bench
// should make.
void perPhoneSize(benchmark::internal::Benchmark* b)
{
    b->ArgName("files");
    for (const long size : bench::listSizes())
        if (size <= 1'000'000)
            b->Arg(size);
    b->UseManualTime()->Unit(benchmark::kMillisecond);
}

struct Window {
    LibraryPhoneLink phone;
    std::unique_ptr<TForm1> form;
    std::string programFolder = fs::temp_directory_path().string() + "/";

    explicit Window(std::size_t files)
    {
        ::setenv("P2KEMU_ROOT", phoneFolder(files).c_str(), 1);
        form = std::make_unique<TForm1>(phone, programFolder);
        form->Timer2->stop();
        form->show();
        QApplication::processEvents();
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
BENCHMARK(ReadFromPhoneClick)->Apply(perPhoneSize);

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
BENCHMARK(MonitorTick)->Apply(perPhoneSize);

} // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
