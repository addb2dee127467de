#pragma once
#include "FileIndex.h"
#include "Journal.h"
#include "PhoneFolder.h"
#include "PhoneIni.h"
#include "phonelink/p2kapi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace p2kemu {

// The whole state of the emulated phone, one instance per process behind the C functions.
// Every call is journaled; every failure is a negative Result (EmulatorResults.h), never a crash.
// P2K_Init may be called again: it drops what was going on and takes up the phone folder that
// P2KEMU_ROOT names at that moment.
class Emulator {
public:
    // How long P2K_Init waits for another program that is making the same phone folder.
    static constexpr int kPrepareLockMs = 10000;

    Emulator() = default;
    Emulator(Emulator&&) = default;
    Emulator& operator=(Emulator&&) = default;
    ~Emulator();

    std::int32_t init(P2K_NotifyProc notify);
    std::int32_t getStatus();
    std::int32_t restart();
    std::int32_t fileCount();
    std::int32_t fileList(void* records, std::int32_t count);
    std::int32_t volInfo(std::int32_t* info);
    std::int32_t fileDelete(const char* path);
    std::int32_t fileCreate(const char* path, std::int32_t mode);
    std::int32_t fileWrite(const void* data, std::int32_t size, std::int32_t last);
    std::int32_t fileClose();
    std::int32_t seemWrite(std::int32_t seem, std::int32_t record, std::int32_t a, std::int32_t b,
                           void* file);
    std::int32_t fileFetch(const char* path, std::int32_t fd);

    // For a call that ended in an exception (out of memory): journal it and fail.
    std::int32_t failed(const char* callName, const char* what);

private:
    // The file between File_Create and File_Close; it reaches fs/ only at File_Close.
    struct OpenFile {
        std::string path;
        Segments names;
        std::string bytes;
    };

    bool phoneConnected();
    // kNotInitialised, or kNotConnected journaled for callText, when the call cannot reach a
    // phone; 0 when it can.
    std::int32_t phoneUnavailable(const std::string& callText);
    // The same for a call on one phone path, whose names it fills; the path is checked first.
    std::int32_t phoneFileUnavailable(const std::string& callText, const char* path,
                                      Segments& names);
    void dropOpenFile(const std::string& why);
    std::int32_t finish(const std::string& callText, std::int32_t result,
                        const std::string& detail = {});
    std::int32_t refusePath(const std::string& callText, const char* path, Segments& names);
    std::int32_t hostFailure(const std::string& callText, int error);
    // The files under fs/ as they are now; notes of the index go to the journal.
    const FileIndex& files();
    std::uint64_t freeBytes();
    // Makes what a phone folder needs once (demo fs/, phone.ini, seem/); the reason it could
    // not, or empty.
    std::string prepareFolder(std::vector<std::string>& notes);
    // P2K_Init starts the first walk of fs/ on a thread of its own, as a phone reads its file
    // system when it is switched on, so the file list is ready sooner; the first call that
    // needs the files takes it over. Stopping ends the walk early and waits for the thread.
    // The walk waits kFirstWalkDelay first, so it does not slow down the start of the program
    // that has just taken up the phone; a call that needs the files starts it at once.
    static constexpr std::chrono::milliseconds kFirstWalkDelay{500};
    void startFirstWalk();
    void stopFirstWalk();
    void letGoOfFirstWalkAfterFork();

    struct FirstWalk {
        FileIndex index;
        std::vector<std::string> notes;
    };
    // What the walking thread and the calls share.
    struct FirstWalkControl {
        std::atomic<bool> stop{false};
        std::mutex mutex;
        std::condition_variable wake;
        bool go = false; // start before the delay is over
        void startNow();
    };

    bool initialised_ = false;
    P2K_NotifyProc notify_ = nullptr;
    PhoneFolder folder_;
    PhoneIniWatcher ini_;
    Journal journal_;
    FileIndex index_;
    std::future<FirstWalk> firstWalk_;
    std::shared_ptr<FirstWalkControl> firstWalkControl_;
    pid_t firstWalkProcess_ = 0;
    std::optional<OpenFile> open_;
    std::chrono::steady_clock::time_point awayUntil_{};
    std::optional<bool> lastSeen_;
};

} // namespace p2kemu
