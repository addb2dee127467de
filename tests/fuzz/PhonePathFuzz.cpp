// The emulator's path resolution. A path it takes splits into names that join back to exactly
// that path and that the host can hold; resolving it in a phone folder whose fs/ holds links out
// never reaches outside; a path of any length costs a short journal text.
#include "FuzzCheck.h"
#include "PhoneFolder.h"
#include "PhonePath.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

// fs/ with a folder, a file, a link to a folder outside and a link to a file outside.
const PhoneFolder& phoneFolder()
{
    static const PhoneFolder folder = [] {
        std::string base = fs::temp_directory_path() / "zandrel-fuzz-phone-XXXXXX";
        if (!::mkdtemp(base.data()))
            std::abort();
        fs::create_directories(base + "/phone/fs/a/mobile");
        fs::create_directories(base + "/outside/inner");
        std::fclose(std::fopen((base + "/phone/fs/a/x.mp3").c_str(), "w"));
        std::fclose(std::fopen((base + "/outside/secret").c_str(), "w"));
        fs::create_directory_symlink(base + "/outside", base + "/phone/fs/a/out");
        fs::create_symlink(base + "/outside/secret", base + "/phone/fs/a/secret");
        PhoneFolder made;
        made.setRoot(base + "/phone");
        return made;
    }();
    return folder;
}

bool isLink(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// No name on the way to names, the last included, is a symbolic link on the host.
bool noLinkOnTheWay(const Segments& names)
{
    std::string host = phoneFolder().hostPath("fs");
    for (const std::string& name : names) {
        host += "/" + name;
        if (isLink(host))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string journal = journalText(bytes);
    // The library sees a C string: what a NUL byte ends is never part of the path.
    const std::string path = bytes.c_str();
    std::string why;
    const std::optional<Segments> names = splitPhonePath(path.c_str(), why);
    FUZZ_CHECK(isPhonePath(path) == names.has_value());
    FUZZ_CHECK(journal.size() <= 4 * kMaxJournalTextBytes + 40);
    for (char c : journal)
        FUZZ_CHECK(c >= 0x20 && c < 0x7F);
    if (!names) {
        FUZZ_CHECK(!why.empty());
        return 0;
    }
    std::string joined;
    for (const std::string& name : *names) {
        FUZZ_CHECK(!name.empty() && name != "." && name != ".." && name.size() <= kMaxNameBytes);
        for (unsigned char byte : name)
            FUZZ_CHECK(byte >= 0x20 && byte != 0x7F && byte != '/');
        joined += "/" + name;
    }
    FUZZ_CHECK(joined == path && joined.size() <= kMaxPathBytes);
    FUZZ_CHECK(!names->back().starts_with(kTempPrefix));

    const PhoneFolder& folder = phoneFolder();
    if (folder.fileSize(*names))
        FUZZ_CHECK(noLinkOnTheWay(*names));
    if (folder.checkCreatable(*names) == 0)
        FUZZ_CHECK(noLinkOnTheWay(*names));
    return 0;
}
