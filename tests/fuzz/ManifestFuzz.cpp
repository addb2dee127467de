// A backup's manifest.tsv as a hostile or broken file might hold it. Every entry read has a phone
// path with no byte that would break a line, a checksum in hex and a host name that stays below
// the backup folder; written again it reads back the same; and a host name opened in a backup
// folder whose names link outside never reaches a file through a link.
#include "FuzzCheck.h"
#include "backup/BackupFolder.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace zandrel;

namespace {

// A backup folder with a/x.mp3, a link "out" to a folder outside and a link "a/secret" to a file
// outside.
const BackupFolder& backupFolder()
{
    static const BackupFolder folder = [] {
        std::string base = fs::temp_directory_path() / "zandrel-fuzz-backup-XXXXXX";
        if (!::mkdtemp(base.data()))
            std::abort();
        fs::create_directories(base + "/backup/a");
        fs::create_directories(base + "/outside");
        std::fclose(std::fopen((base + "/backup/a/x.mp3").c_str(), "w"));
        std::fclose(std::fopen((base + "/outside/secret").c_str(), "w"));
        fs::create_directory_symlink(base + "/outside", base + "/backup/out");
        fs::create_symlink(base + "/outside/secret", base + "/backup/a/secret");
        BackupFolder made;
        if (made.open(base + "/backup") != 0)
            std::abort();
        return made;
    }();
    return folder;
}

bool noLinkOnTheWay(const std::string& hostName)
{
    for (std::size_t slash = 0; slash != std::string::npos; slash = hostName.find('/', slash + 1)) {
        const std::string path = backupFolder().path() + "/" + hostName.substr(0, slash);
        struct stat info {};
        if (slash != 0 && ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
            return false;
    }
    struct stat info {};
    const std::string whole = backupFolder().path() + "/" + hostName;
    return !(::lstat(whole.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OracleReach reach;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ParsedManifest parsed = parseManifest(bytes);
    std::size_t lines = 0;
    for (const char c : bytes)
        lines += c == '\n';
    FUZZ_CHECK(parsed.entries.size() + parsed.badLines <= lines + 1);
    for (const ManifestEntry& entry : parsed.entries) {
        FUZZ_CHECK(!entry.phonePath.empty());
        FUZZ_CHECK(entry.phonePath.find_first_of(std::string_view("\t\0\r\n", 4)) ==
                   std::string::npos);
        FUZZ_CHECK(entry.sha256.size() == 64 &&
                   entry.sha256.find_first_not_of("0123456789abcdef") == std::string::npos);
        const std::string host = "/" + entry.hostName + "/";
        FUZZ_CHECK(entry.hostName.find('\0') == std::string::npos && !host.starts_with("//"));
        for (const char* name : {"/../", "//", "/./"})
            FUZZ_CHECK(host.find(name) == std::string::npos);

        const ParsedManifest again = parseManifest(manifestHeader() + manifestLine(entry));
        FUZZ_CHECK(again.entries.size() == 1 && again.badLines == 0);
        const ManifestEntry& back = again.entries[0];
        FUZZ_CHECK(back.phonePath == entry.phonePath && back.size == entry.size &&
                   back.sha256 == entry.sha256 && back.hostName == entry.hostName);

        FileDescriptor file;
        off_t found = 0;
        if (backupFolder().openFile(entry.hostName, file, found) == 0)
            FUZZ_CHECK(noLinkOnTheWay(entry.hostName));
        reach.reached();
    }
    return 0;
}
