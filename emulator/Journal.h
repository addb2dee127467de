#pragma once
#include <cstdint>
#include <string>

namespace p2kemu {

// journal.log in the phone folder: one line per call, for instance
//   2026-12-07 20:31:02.123  File_Delete("/a/mobile/audio/MyToneDB.db") -> 0 ok
// and lines starting with "#" for what the emulator noticed on its own (phone.ini edited, demo
// content made). When the file passes kRotateBytes it becomes journal.log.1 and a new one starts.
class Journal {
public:
    static constexpr std::uint64_t kRotateBytes = 1024 * 1024;

    // An empty path turns the journal off.
    void setFile(std::string path) { path_ = std::move(path); }

    void call(const std::string& callText, std::int32_t result, const std::string& detail = {});
    void note(const std::string& text);

private:
    static constexpr int kLockWaitMs = 1000;

    void append(const std::string& line);
    void rotate();

    std::string path_;
};

} // namespace p2kemu
