#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace p2kemu {

// What phone.ini sets. A missing file or key keeps the value below.
struct PhoneSettings {
    bool connected = true;
    std::uint64_t capacity = 5u * 1024 * 1024;
    std::string model = "C650";
    int restartMs = 3000;
};

// Reads "key=value" lines; ';' and '#' start comment lines, [sections] are ignored, key names
// ignore case. A value that makes no sense keeps the default and adds a line to problems.
PhoneSettings parsePhoneIni(std::string_view text, std::vector<std::string>& problems);

// The commented phone.ini written into a new phone folder.
std::string defaultPhoneIni();

// One line for the journal: "connected, 5242880 bytes, model C650, restart 3000 ms".
std::string describe(const PhoneSettings& settings);

// Keeps the settings of one phone.ini up to date. Each refresh looks at the file's time, size and
// inode, which costs one stat(), and reads the file again only when they changed (or when it
// changed so recently that the file system's clock could have missed a second change).
// Only a regular file of at most kMaxIniBytes is read; anything else leaves the defaults.
class PhoneIniWatcher {
public:
    static constexpr std::size_t kMaxIniBytes = 64 * 1024;

    void setFile(std::string path);
    // Returns true when the settings were read again; notes then tell the journal what happened.
    bool refresh(std::vector<std::string>& notes);
    const PhoneSettings& settings() const { return settings_; }

private:
    // Falls back to the defaults, with a note when trouble is news.
    bool useDefaults(std::string trouble, std::vector<std::string>& notes);

    std::string path_;
    PhoneSettings settings_;
    bool seen_ = false;
    std::string trouble_; // why the file could not be used, empty when it was read
    timespec mtime_{};
    off_t size_ = -1;
    ino_t inode_ = 0;
};

} // namespace p2kemu
