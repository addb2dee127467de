// SaveList, SaveChecked and OpenCleanList against one write and fsync of the same bytes, and
// against reading the file and splitting it with memchr.
#include "BenchPaths.h"
#include "BenchRatio.h"
#include "BenchSession.h"
#include "TempFolder.h"
#include "base/MessageTexts.h"
#include "sweep/CleanListFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using namespace zandrel;

namespace {

struct Fixture {
    TempFolder folder{"zandrel-bench"};
    MessageTexts texts;
    MemoryPhone phone{noPaths()};
    AnsweringPrompts prompts;
    SweepSession session{phone, prompts, texts, {}, {}, {}};

    explicit Fixture(std::size_t count)
    {
        std::size_t i = 0;
        for (const auto& path : benchPaths(count)) {
            session.sweep.append(path);
            session.sweep.setTicked(i, i % 3 == 0);
            ++i;
        }
        prompts.fileName = folder.path + "/list.df";
    }
    static const std::vector<std::string>& noPaths()
    {
        static const std::vector<std::string> none;
        return none;
    }
    std::string baselineFile() const { return folder.path + "/baseline.df"; }
};

void check(bool ok, const char* what)
{
    if (!ok)
        throw std::runtime_error(what);
}

void writeAndSync(const std::string& name, const std::string& bytes)
{
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    check(fd >= 0, "open");
    check(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
    check(::fsync(fd) == 0, "fsync");
    ::close(fd);
}

void SaveBench(benchmark::State& state)
{
    Fixture f(static_cast<std::size_t>(state.range(1)));
    const bool tickedOnly = state.range(0) != 0;
    const std::string bytes = cleanListBytes(f.session.sweep, tickedOnly);
    bench::compare(
        state, [&] { tickedOnly ? SaveChecked(f.session) : SaveList(f.session); },
        [&] { writeAndSync(f.baselineFile(), bytes); });
    check(f.prompts.lastError.empty(), "the save failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(SaveBench)
    ->ArgNames({"checked", "entries"})
    ->ArgsProduct({{0, 1}, bench::listSizes()})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The baseline reader: the whole file into an uninitialised buffer, then one memchr per line.
// Like the program's list, the lines read are kept until the next read replaces them: a result
// dropped at once would hand its memory straight back to the next read, which the program, whose
// list outlives the open, never gets.
struct SplitFile {
    std::unique_ptr<char[]> data;
    std::vector<std::size_t> ends;
};
SplitFile kept;

std::size_t readAndSplit(const std::string& name)
{
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0, "open");
    struct stat st {};
    check(::fstat(fd, &st) == 0, "fstat");
    const auto size = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<char[]> data(new char[size]);
    check(::read(fd, data.get(), size) == static_cast<ssize_t>(size), "read");
    ::close(fd);
    std::vector<std::size_t> ends;
    const char* next = data.get();
    const char* const end = next + size;
    while (next != end) {
        const auto* lf = static_cast<const char*>(std::memchr(next, '\n', end - next));
        next = lf ? lf + 1 : end;
        ends.push_back(static_cast<std::size_t>(next - data.get()));
    }
    kept = {std::move(data), std::move(ends)};
    return kept.ends.size();
}

// The line forms a row reads, by the "form" argument.
enum LineForm : int {
    kCrLf = 0,    // CR LF after every line, as the program writes them
    kStrayCr = 1, // LF only, with a stray CR inside every line, which the reader drops
    kLfOnly = 2,  // LF only, as a list written by hand on Linux
};

void OpenBench(benchmark::State& state)
{
    const auto form = static_cast<LineForm>(state.range(0));
    const auto count = static_cast<std::size_t>(state.range(1));
    Fixture f(0);
    std::string bytes;
    for (const auto& path : benchPaths(count)) {
        if (form == kStrayCr) {
            bytes.append(path, 0, 3);
            bytes += '\r';
            bytes.append(path, 3);
        } else {
            bytes += path;
        }
        bytes += form == kCrLf ? "\r\n" : "\n";
    }
    if (bytes.size() > kLargestCleanList) {
        state.SkipWithError("the list is larger than the 64 MiB the program opens, and is refused");
        return;
    }
    writeAndSync(f.prompts.fileName, bytes);
    bench::compare(
        state, [&] { check(OpenCleanList(f.session), "open list"); },
        [&] { benchmark::DoNotOptimize(readAndSplit(f.prompts.fileName)); });
    check(f.session.clean.size() == count, "line count");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(OpenBench)
    ->ArgNames({"form", "entries"})
    ->ArgsProduct({{kCrLf, kStrayCr, kLfOnly}, bench::listSizes()})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
