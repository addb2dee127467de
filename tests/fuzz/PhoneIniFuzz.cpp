// The emulator's phone.ini: any bytes give sane settings (a restart time in range), the same
// whether parsed in memory or read from the file, and the settings written out read back the same.
#include "FuzzCheck.h"
#include "PhoneIni.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace p2kemu;

namespace {

bool same(const PhoneSettings& a, const PhoneSettings& b)
{
    return a.connected == b.connected && a.capacity == b.capacity && a.model == b.model &&
           a.restartMs == b.restartMs;
}

std::string iniPath()
{
    static const std::string path = [] {
        std::string folder = std::filesystem::temp_directory_path() / "zandrel-fuzz-ini-XXXXXX";
        if (!::mkdtemp(folder.data()))
            std::abort();
        return folder + "/phone.ini";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> problems;
    const PhoneSettings settings = parsePhoneIni(text, problems);
    FUZZ_CHECK(settings.restartMs >= 0 && settings.restartMs <= 600000);
    FUZZ_CHECK(!describe(settings).empty());

    const std::string written = "connected=" + std::string(settings.connected ? "1" : "0") +
                                "\ncapacity=" + std::to_string(settings.capacity) +
                                "\nmodel=" + settings.model +
                                "\nrestart_ms=" + std::to_string(settings.restartMs) + "\n";
    std::vector<std::string> ignored;
    FUZZ_CHECK(same(parsePhoneIni(written, ignored), settings));

    // The file is read like the text, as long as it is no larger than the emulator takes.
    std::FILE* file = std::fopen(iniPath().c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    PhoneIniWatcher watcher;
    watcher.setFile(iniPath());
    std::vector<std::string> notes;
    watcher.refresh(notes);
    FUZZ_CHECK(same(watcher.settings(),
                    size <= PhoneIniWatcher::kMaxIniBytes ? settings : PhoneSettings()));
    return 0;
}
