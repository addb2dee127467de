// Zandrel over the real phone's library as it ships: libp2kapi.so of p2kusb, its libusb
// transport, and a simulated phone (tests/p2kusb/support) behind a umockdev bus, the way the
// library's own bus tests run it. The program side goes through LibraryPhoneLink and the core's
// own operations; each baseline makes the same calls, or sends the same messages, with nothing
// of Zandrel around them. The program re-runs itself under umockdev-wrapper.
#include "BenchRatio.h"
#include "CommandInterface.h"
#include "Exchange.h"
#include "Libusb.h"
#include "LibusbPipe.h"
#include "Messages.h"
#include "MockUsbBus.h"
#include "Replies.h"
#include "SimPhone.h"
#include "TempFolder.h"
#include "UsbfsBridge.h"
#include "backup/BackupTexts.h"
#include "backup/TrashKeeper.h"
#include "base/MessageTexts.h"
#include "phonelink/LibraryPhoneLink.h"
#include "phonelink/p2kapi.h"
#include "sweep/Cleaning.h"
#include "sweep/ReadFromPhone.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <libusb.h>
#include <stdexcept>
#include <string>
#include <umockdev.h>
#include <unistd.h>
#include <vector>

using namespace zandrel;
namespace usbtest = p2kusb::usb::test;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The benchmark shows no boxes; an error is kept, to be counted.
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

std::string fileBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 131 + i / 1024);
    return bytes;
}

void writeHostFile(const std::string& path, const std::string& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The bus, the phone folder and the library, set up once for the whole run. Two simulated
// devices answer from the same phone folder: the library claims the first, and the raw side
// opens the second with a libusb context of its own, so the two never share a device's queue.
class UsbPhone {
public:
    UsbPhone()
    {
        // The library reads its settings and writes seem backups under these, never the user's.
        ::setenv("XDG_CONFIG_HOME", (folder_.path + "/config").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (folder_.path + "/data").c_str(), 1);
        ::unsetenv("P2KUSB_LOG");
        std::filesystem::create_directories(phoneRoot() + "/fs/a");
        // The ring fix's record, the same on the phone and in the working folder, so each clean's
        // ring fix reads it and finds nothing to write.
        writeHostFile(phoneRoot() + "/seem/004c_0001.seem", "ring");
        writeHostFile(work() + "/seem/004c_0001.seem", "ring");
        bus_.plug(device_);
        if (!umockdev_in_mock_environment())
            throw std::runtime_error("no umockdev test bed");
        if (link.init() != 0 || !usbtest::waitFor([this] { return link.getStatus() == 1; }))
            throw std::runtime_error("the library found no phone on the umockdev bus");
        bus_.plug(rawDevice_);
        openRawDevice();
    }

    std::string phoneRoot() const { return folder_.path + "/phone"; }
    std::string work() const { return folder_.path + "/work"; }
    std::string scratch() const { return folder_.path + "/scratch"; }

    // Exactly these files on the phone, each of `size` bytes.
    void holdOnly(const std::vector<std::string>& paths, std::size_t size) const
    {
        std::filesystem::remove_all(phoneRoot() + "/fs/a");
        std::filesystem::create_directories(phoneRoot() + "/fs/a");
        const std::string bytes = fileBytes(size);
        for (const std::string& path : paths)
            writeHostFile(phoneRoot() + "/fs" + path, bytes);
    }
    std::size_t filesLeft() const
    {
        std::size_t count = 0;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(phoneRoot() + "/fs/a"))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }

    // Unplugs both devices and removes the bench's folder.
    void leave()
    {
        rawPipe.reset();
        bus_.unplug(rawDevice_);
        bus_.unplug(device_);
        (void)usbtest::waitFor([this] { return link.getStatus() == 0; });
        std::filesystem::remove_all(folder_.path);
    }

    LibraryPhoneLink link;
    p2kusb::Exchange raw{p2kusb::Timing{}, p2kusb::PacketLog{}};
    std::shared_ptr<p2kusb::ControlPipe> rawPipe;

private:
    void openRawDevice()
    {
        context_ = p2kusb::usb::Context::create();
        const bool found = usbtest::waitFor([this] {
            p2kusb::usb::DeviceList devices(*context_);
            for (libusb_device* device : devices.devices()) {
                if (libusb_get_device_address(device) != rawDevice_.device().devnum)
                    continue;
                auto claim = p2kusb::usb::claimCommandInterface(context_, device);
                if (claim.outcome == p2kusb::usb::ClaimOutcome::Claimed)
                    rawPipe = std::make_shared<p2kusb::usb::LibusbPipe>(std::move(claim.device));
            }
            return rawPipe != nullptr;
        });
        if (!found)
            throw std::runtime_error("the raw side could not claim its device");
    }

    TempFolder folder_{"zandrel-usb-bench"};
    p2kusb::SimPhone phone_{phoneRoot()};
    p2kusb::SimPhone rawPhone_{phoneRoot()};
    usbtest::MockUsbBus bus_;
    usbtest::UsbfsBridge device_{usbtest::p2kPhone(3), &phone_};
    usbtest::UsbfsBridge rawDevice_{usbtest::p2kPhone(4), &rawPhone_};
    std::shared_ptr<p2kusb::usb::Context> context_;
};

// Made at the first row and never destroyed: the library's statics outlive main, and its
// hotplug thread must not meet a bus that is gone. leave() takes the phone off the bus first.
UsbPhone* made = nullptr;

UsbPhone& usbPhone()
{
    if (!made)
        made = new UsbPhone;
    return *made;
}

std::vector<std::string> phonePaths(std::size_t files)
{
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < files; ++i)
        paths.push_back("/a/mobile/picture/d" + std::to_string(i / 1000) + "/f" +
                        std::to_string(i) + ".jpg");
    return paths;
}

// A fresh local file to fetch into; -1 when it cannot be made.
int freshLocalFile(const std::string& path)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

P2K_FileFetchProc libraryFetch()
{
    return reinterpret_cast<P2K_FileFetchProc>(::dlsym(RTLD_DEFAULT, P2K_FILE_FETCH_NAME));
}

// What File_Fetch sends for one file, each reply checked as the library checks it: a search of
// its folder by its name, the listing to its end, the open, reads of the largest chunk a phone
// takes until a short one, the close. The bytes go to fd; -1 on any failure.
std::int64_t rawFetch(p2kusb::Exchange& ex, p2kusb::ControlPipe& pipe, const std::string& path,
                      int fd)
{
    using namespace p2kusb;
    const auto slash = path.rfind('/');
    auto found = ex.run(pipe, Request::search(path.substr(0, slash + 1), path.substr(slash + 1)));
    if (!found.ok() || !decodeSearch(found.value()).ok())
        return -1;
    std::optional<std::uint32_t> size;
    for (;;) {
        auto next = ex.run(pipe, Request::listNext(kListBatch));
        auto batch = next.ok() ? decodeListNext(next.value(), kListBatch)
                               : Outcome<std::vector<PhoneRecord>>(next.error());
        if (!batch.ok())
            return -1;
        if (batch.value().empty())
            break;
        for (const PhoneRecord& record : batch.value())
            if (record.path == path)
                size = record.size;
    }
    if (!size || !ex.run(pipe, *Request::fileOpen(path, 0)).ok())
        return -1;
    Bytes bytes;
    for (;;) {
        const std::size_t want = std::min<std::size_t>(kMaxFileChunk, *size + 1 - bytes.size());
        auto reply = ex.run(pipe, *Request::fileRead(static_cast<std::uint32_t>(want)));
        if (!reply.ok() || reply.value().size() > want)
            return -1;
        bytes.insert(bytes.end(), reply.value().begin(), reply.value().end());
        if (reply.value().size() < want)
            break;
    }
    if (!ex.run(pipe, Request::fileClose()).ok() || bytes.size() != *size)
        return -1;
    if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        return -1;
    return static_cast<std::int64_t>(bytes.size());
}

void perFile(benchmark::State& state, std::size_t files)
{
    state.counters["zandrel_ms_per_file"] = state.counters["zandrel_ms"] / double(files);
    state.counters["baseline_ms_per_file"] = state.counters["baseline_ms"] / double(files);
}

// "Read from phone": the core's ReadFromPhone against File_Count and File_List called bare.
void ReadFromPhoneOverUsb(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    UsbPhone& phone = usbPhone();
    phone.holdOnly(phonePaths(files), 0);
    QuietPrompts prompts;
    MessageTexts texts;
    SweepSession session{phone.link, prompts, texts, {}, {}, {}};
    std::int32_t rawRows = 0;
    bench::compare(
        state, [&] { ReadFromPhone(session); },
        [&] {
            const std::int32_t count = File_Count();
            std::vector<unsigned char> records(std::size_t(std::max(count, 0)) * P2K_RECORD_SIZE);
            rawRows = count < 0 ? count : File_List(records.data(), count);
        });
    state.counters["rows"] = double(session.sweep.size());
    state.counters["raw_rows"] = double(rawRows);
    state.counters["failed"] = prompts.lastError.empty() ? 0 : 1;
    perFile(state, files);
}

// KB/s of one file's File_Fetch through the library, against the same messages sent by a bare
// loop over a libusb pipe of its own.
void FetchKBPerSecondOverUsb(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0)) * 1024;
    UsbPhone& phone = usbPhone();
    const std::string path = "/a/mobile/video/clip.3gp";
    phone.holdOnly({path}, size);
    const std::string local = phone.scratch() + "/fetched";
    std::int64_t ours = 0;
    std::int64_t raw = 0;
    bench::compare(
        state,
        [&] {
            const int fd = freshLocalFile(local);
            ours = phone.link.fileFetch(path, fd);
            ::close(fd);
        },
        [&] {
            const int fd = freshLocalFile(local);
            raw = rawFetch(phone.raw, *phone.rawPipe, path, fd);
            ::close(fd);
        });
    const double kb = double(size) / 1024;
    state.counters["zandrel_KB_per_s"] = kb / (state.counters["zandrel_ms"] / 1e3);
    state.counters["baseline_KB_per_s"] = kb / (state.counters["baseline_ms"] / 1e3);
    state.counters["failed"] = (ours == std::int64_t(size) && raw == std::int64_t(size)) ? 0 : 1;
}

// One clean of the ticked list as the program runs it: every listed file ticked after a read, a
// TrashKeeper keeping a copy of each (unless keep is off), then the ring fix. The clean alone is
// timed; the phone's files, the trash and the read are made ready before it.
struct TickedClean {
    UsbPhone& phone;
    const std::vector<std::string>& paths;
    std::size_t size;
    bool keep;
    std::size_t kept = 0;
    bool failed = false;

    double operator()()
    {
        phone.holdOnly(paths, size);
        const std::string trash = phone.scratch() + "/trash";
        std::filesystem::remove_all(trash);
        QuietPrompts prompts;
        MessageTexts texts;
        BackupTexts backupTexts;
        TrashKeeper keeper(phone.link, backupTexts, TrashStore(trash));
        keeper.settings.keep = keep;
        SweepSession session{phone.link, prompts, texts, {}, {}, {}};
        session.keeper = &keeper;
        ReadFromPhone(session);
        session.sweep.tickWhere([](std::string_view) { return true; });
        const auto start = Clock::now();
        CleanTicked(session);
        const double seconds = secondsSince(start);
        kept = keeper.store().entries().size();
        failed = !prompts.lastError.empty() || session.sweep.size() != paths.size() ||
                 phone.filesLeft() != 0 || kept != (keep ? paths.size() : 0);
        return seconds;
    }
};

// The same library calls bare: each file fetched into a local file, then deleted; then the
// ring fix's seem write and its two deletes.
double rawFetchAndDelete(UsbPhone& phone, const std::vector<std::string>& paths, std::size_t size)
{
    phone.holdOnly(paths, size);
    const std::string copies = phone.scratch() + "/copies";
    std::filesystem::remove_all(copies);
    const P2K_FileFetchProc fetch = libraryFetch();
    const auto start = Clock::now();
    std::size_t number = 0;
    for (const std::string& path : paths) {
        const int fd = freshLocalFile(copies + "/" + std::to_string(number++));
        benchmark::DoNotOptimize(fetch(path.c_str(), fd));
        ::close(fd);
        benchmark::DoNotOptimize(File_Delete(path.c_str()));
    }
    int seem = ::open((phone.work() + "/seem/004c_0001.seem").c_str(), O_RDONLY | O_CLOEXEC);
    benchmark::DoNotOptimize(Seem_Write(0x4C, 1, 0, 0, &seem));
    ::close(seem);
    benchmark::DoNotOptimize(File_Delete("/a/mobile/audio/TempToneDB.db"));
    benchmark::DoNotOptimize(File_Delete("/a/mobile/audio/MyToneDB.db"));
    return secondsSince(start);
}

// Clean with keeping on, as by default. keeping_ms_per_MB is what keeping adds to a clean for
// each MB kept: this clean against the same clean with keeping off, measured in the same run.
void CleanOverUsbWithKeepingOn(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    const auto size = static_cast<std::size_t>(state.range(1)) * 1024;
    UsbPhone& phone = usbPhone();
    const std::vector<std::string> paths = phonePaths(files);
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(phone.work()); // where the ring fix finds its seem file
    TickedClean keeping{phone, paths, size, true};
    bench::compare(state, keeping, [&] { return rawFetchAndDelete(phone, paths, size); });
    TickedClean notKeeping{phone, paths, size, false};
    double keepOffSeconds = 0;
    constexpr int kKeepOffRounds = 3;
    for (int i = 0; i < kKeepOffRounds; ++i)
        keepOffSeconds += notKeeping();
    std::filesystem::current_path(cwd);
    const double megabytes = double(files * size) / (1024 * 1024);
    const double keepOffMs = keepOffSeconds / kKeepOffRounds * 1e3;
    state.counters["keep_off_ms"] = keepOffMs;
    state.counters["kept_MB"] = double(keeping.kept * size) / (1024 * 1024);
    state.counters["keeping_ms_per_MB"] = (state.counters["zandrel_ms"] - keepOffMs) / megabytes;
    state.counters["failed"] = keeping.failed || notKeeping.failed ? 1 : 0;
    perFile(state, files);
}

// List clean with nothing kept: CleanByList against File_Delete called bare for each path.
void CleanByListOverUsbKeepingOff(benchmark::State& state)
{
    const auto files = static_cast<std::size_t>(state.range(0));
    UsbPhone& phone = usbPhone();
    const std::vector<std::string> paths = phonePaths(files);
    QuietPrompts prompts;
    MessageTexts texts;
    SweepSession session{phone.link, prompts, texts, {}, {}, {}};
    for (const std::string& path : paths)
        session.clean.push_back(path);
    bool failed = false;
    bench::compare(
        state,
        [&] {
            phone.holdOnly(paths, 0);
            const auto start = Clock::now();
            CleanByList(session);
            const double seconds = secondsSince(start);
            failed = failed || phone.filesLeft() != 0;
            return seconds;
        },
        [&] {
            phone.holdOnly(paths, 0);
            const auto start = Clock::now();
            for (const std::string& path : paths)
                benchmark::DoNotOptimize(File_Delete(path.c_str()));
            return secondsSince(start);
        });
    state.counters["failed"] = failed || !prompts.lastError.empty() ? 1 : 0;
    perFile(state, files);
}

BENCHMARK(ReadFromPhoneOverUsb)
    ->ArgName("files")->Arg(1000)->Arg(10000)
    ->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(FetchKBPerSecondOverUsb)
    ->ArgName("KB")->Arg(64)->Arg(1024)
    ->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CleanOverUsbWithKeepingOn)
    ->ArgNames({"files", "KB"})->Args({100, 16})->Args({10, 256})
    ->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CleanByListOverUsbKeepingOff)
    ->ArgName("files")->Arg(1000)
    ->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The library must be the USB one, not the emulator that shares its name.
bool usbLibraryLoaded()
{
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&File_Count), &info) == 0 || !info.dli_fname)
        return false;
    std::printf("phone-link library: %s\n", info.dli_fname);
    return std::string(info.dli_fname).find("/p2kusb/") != std::string::npos;
}

} // namespace

int main(int argc, char** argv)
{
    // The simulated bus exists only inside umockdev-wrapper's preload: run again inside it.
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        if (std::getenv("ZANDREL_BENCH_REEXEC")) {
            std::fprintf(stderr, "umockdev-wrapper did not set up a mock environment\n");
            return 1;
        }
        ::setenv("ZANDREL_BENCH_REEXEC", "1", 1);
        std::vector<char*> args{const_cast<char*>(UMOCKDEV_WRAPPER),
                                const_cast<char*>("/proc/self/exe")};
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        std::string self = std::filesystem::read_symlink("/proc/self/exe");
        args[1] = self.data();
        ::execv(UMOCKDEV_WRAPPER, args.data());
        std::perror("umockdev-wrapper");
        return 1;
    }
    if (!usbLibraryLoaded()) {
        std::fprintf(stderr, "not the USB phone-link library: the rows would not measure it\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (made)
        made->leave();
    return 0;
}
