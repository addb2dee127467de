// "Read from phone" and list clean over the real phone's library, driven against the simulated
// USB phone of the library's tests (tests/p2kusb/support), through the window's waiting link as
// the program makes its calls. The baseline is a raw exchange loop over the same simulated phone:
// the same commands sent and their replies decoded, with no Session, no Zandrel and no thread.
// files_per_s and the per-file figures show what each file costs on both sides.
#include "BenchRatio.h"
#include "Messages.h"
#include "QtBenchMain.h"
#include "Replies.h"
#include "Session.h"
#include "SimPhone.h"
#include "TempFolder.h"
#include "base/MessageTexts.h"
#include "sweep/Cleaning.h"
#include "sweep/ReadFromPhone.h"
#include "ui/phonework/PhoneThread.h"
#include "ui/phonework/WaitingPhoneLink.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zandrel;

namespace {

// The library's Session as a PhoneLink: what the C functions of libp2kapi.so pass on to.
class SessionLink final : public PhoneLink {
public:
    explicit SessionLink(p2kusb::Session& session) : s_(session) {}
    int32_t init() override { return s_.init(nullptr); }
    int32_t getStatus() override { return s_.getStatus(); }
    int32_t restart() override { return s_.restart(); }
    int32_t fileCount() override { return s_.fileCount(); }
    int32_t fileList(void* records, int32_t count) override { return s_.fileList(records, count); }
    int32_t volInfo(int32_t* info) override { return s_.volInfo(info); }
    int32_t fileDelete(const std::string& path) override { return s_.fileDelete(path.c_str()); }
    int32_t fileCreate(const std::string& path, int32_t mode) override
    {
        return s_.fileCreate(path.c_str(), mode);
    }
    int32_t fileWrite(const void* data, int32_t size, int32_t last) override
    {
        return s_.fileWrite(data, size, last);
    }
    int32_t fileClose() override { return s_.fileClose(); }
    int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) override
    {
        return s_.seemWrite(seem, record, a, b, file);
    }

private:
    p2kusb::Session& s_;
};

// Silent prompts: the benchmark shows no boxes.
class QuietPrompts final : public Prompts {
public:
    void warning(const std::string&) override {}
    void information(const std::string&) override {}
    void error(const std::string& text) override { lastError = text; }
    std::optional<std::string> saveFileName() override { return std::nullopt; }
    std::optional<std::string> openFileName() override { return std::nullopt; }
    void setCaption(const std::string&) override {}
    void progress(std::size_t, std::size_t) override {}
    std::string lastError;
};

struct UsbPhone {
    TempFolder folder{"zandrel-usb-bench"};
    std::shared_ptr<p2kusb::SimPhone> sim;
    p2kusb::SimPort port;
    p2kusb::Session session;
    SessionLink link{session};
    PhoneThread thread;
    WaitingPhoneLink waiting{link, thread, {}};
    std::vector<std::string> paths;

    explicit UsbPhone(std::size_t files)
        : sim(std::make_shared<p2kusb::SimPhone>(folder.path)), port(sim),
          session(port, p2kusb::LibraryConfig{})
    {
        for (std::size_t i = 0; i < files; ++i)
            paths.push_back("/a/mobile/picture/d" + std::to_string(i / 1000) + "/f" +
                            std::to_string(i) + ".jpg");
        makeFiles();
        session.init(nullptr);
    }

    void makeFiles() const
    {
        for (const std::string& path : paths) {
            const std::string file = folder.path + "/fs" + path;
            std::filesystem::create_directories(std::filesystem::path(file).parent_path());
            ::close(::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        }
    }
};

// The raw side: the commands the library sends for a listing, and their replies decoded.
std::size_t rawListing(p2kusb::Exchange& exchange, p2kusb::ControlPipe& pipe)
{
    auto found = exchange.run(pipe, p2kusb::Request::search("/a/"));
    if (!found.ok() || !p2kusb::decodeSearch(found.value()).ok())
        return 0;
    std::size_t records = 0;
    for (;;) {
        auto next = exchange.run(pipe, p2kusb::Request::listNext(p2kusb::kListBatch));
        auto batch = next.ok()
                         ? p2kusb::decodeListNext(next.value(), p2kusb::kListBatch)
                         : p2kusb::Outcome<std::vector<p2kusb::PhoneRecord>>(p2kusb::kBadReply);
        if (!batch.ok() || batch.value().empty())
            return records;
        records += batch.value().size();
    }
}

double seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void perFile(benchmark::State& state, std::size_t files)
{
    state.counters["zandrel_ms_per_file"] =
        state.counters["zandrel_ms"] / static_cast<double>(files);
    state.counters["baseline_ms_per_file"] =
        state.counters["baseline_ms"] / static_cast<double>(files);
}

// Both sides of a row: Zandrel's session over the waiting link, and the raw loop's own exchange.
struct UsbRow {
    explicit UsbRow(std::size_t files) : phone(files) {}
    UsbPhone phone;
    QuietPrompts prompts;
    MessageTexts texts;
    SweepSession session{phone.waiting, prompts, texts, {}, {}, {}};
    p2kusb::Exchange exchange{p2kusb::Timing{}, p2kusb::PacketLog{}};
};

void ReadFromPhoneOverUsb(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    UsbRow row(files);
    auto& [phone, prompts, texts, session, exchange] = row;
    std::size_t rawRecords = 0;
    bench::compare(
        state, [&] { ReadFromPhone(session); },
        [&] { rawRecords = rawListing(exchange, *phone.port.pipe()); });
    state.counters["rows"] = static_cast<double>(session.sweep.size());
    state.counters["raw_rows"] = static_cast<double>(rawRecords);
    perFile(state, files);
}

void CleanOverUsb(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    UsbRow row(files);
    auto& [phone, prompts, texts, session, exchange] = row;
    for (const std::string& path : phone.paths)
        session.clean.push_back(path);
    bench::compare(
        state,
        [&] {
            phone.makeFiles();
            const auto start = std::chrono::steady_clock::now();
            CleanByList(session);
            return seconds(start);
        },
        [&] {
            phone.makeFiles();
            const auto start = std::chrono::steady_clock::now();
            for (const std::string& path : phone.paths)
                benchmark::DoNotOptimize(
                    exchange.run(*phone.port.pipe(), *p2kusb::Request::fileDelete(path)).ok());
            return seconds(start);
        });
    state.counters["failed"] = prompts.lastError.empty() ? 0 : 1;
    perFile(state, files);
}

void perUsbSize(benchmark::internal::Benchmark* b)
{
    b->ArgName("files")->Arg(1000)->Arg(10000)->Iterations(3)->UseManualTime();
    b->Unit(benchmark::kMillisecond);
}
BENCHMARK(ReadFromPhoneOverUsb)->Apply(perUsbSize);
BENCHMARK(CleanOverUsb)->Apply(perUsbSize);

} // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
