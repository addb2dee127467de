// The eleven calls of src/phonelink/p2kapi.h and the optional File_Fetch over a PhonePort: one
// object per process behind the C functions, or one per test over a simulated phone. Calls are
// serialised; each one is bounded in time by the Exchange's timing, so a silent or unplugged phone
// gives a negative Result (Results.h) within a few seconds.
#pragma once

#include "Exchange.h"
#include "PhonePort.h"
#include "Replies.h"
#include "Results.h"
#include "phonelink/p2kapi.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace p2kusb {

class Session {
public:
    Session(PhonePort& port, const LibraryConfig& config, Timing timing = {});

    std::int32_t init(P2K_NotifyProc notify);
    std::int32_t getStatus() const;
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

private:
    // The phone file between File_Create and File_Close, and what went into it, to read back.
    struct Upload {
        std::shared_ptr<ControlPipe> pipe;
        std::vector<std::uint8_t> written;
    };

    // What the library learnt about the phone since it was claimed; forgotten with its pipe.
    struct Connection {
        std::weak_ptr<ControlPipe> pipe;
        std::optional<VolumeField> freeSpaceLayout; // the layout the phone took
        // A file may be open on the phone that no call holds: an open, write or close that
        // failed or timed out. It is closed before a command that needs the one open file.
        bool strayFile = false;
    };

    // The phone's pipe when a call may go ahead: the library is initialised and a phone is
    // there. Otherwise the Result that says why not.
    Outcome<std::shared_ptr<ControlPipe>> reachPhone();
    void noticeConnection(bool connected);
    [[nodiscard]] Outcome<Bytes> run(ControlPipe& pipe, const Request& request);
    // Asked at each listing: a memory card may go in or out while the phone stays plugged in.
    [[nodiscard]] std::vector<std::string> volumes(ControlPipe& pipe);
    // The files a search finds, the records the library cannot use passed over and counted.
    // Read until the phone stops, also past the count the search announced (within bounds).
    [[nodiscard]] Result listMatches(ControlPipe& pipe, const Request& search,
                                     std::vector<PhoneRecord>& records, std::size_t& unusable);
    // Every file below folder, the records the library cannot use passed over (and logged).
    [[nodiscard]] Result listFolder(ControlPipe& pipe, const std::string& folder,
                                    std::vector<PhoneRecord>& records);
    [[nodiscard]] Outcome<std::vector<PhoneRecord>> listAll(ControlPipe& pipe);
    // The listed file at exactly `path`, found without opening it.
    [[nodiscard]] Outcome<PhoneRecord> findFile(ControlPipe& pipe, std::string_view path);
    // The open file from its position on: at most expected + 1 bytes, so that a longer file is
    // noticed.
    [[nodiscard]] Outcome<Bytes> readOpenFile(ControlPipe& pipe, std::size_t expected);
    // Reads the open file back from its start and compares it with what was written.
    [[nodiscard]] Result verifyUpload(ControlPipe& pipe, const Bytes& written);
    // Opens, closes: the phone's one open file, tracked so that none is left open.
    [[nodiscard]] Result openPhoneFile(ControlPipe& pipe, const Request& open);
    [[nodiscard]] Result closePhoneFile(ControlPipe& pipe);
    // Closes a file a failed call may have left open; an error only when the phone is gone.
    [[nodiscard]] Result closeStrayFile(ControlPipe& pipe);
    [[nodiscard]] Result writeChunks(ControlPipe& pipe, const std::uint8_t* data, std::size_t size);
    // Closes the phone file after a failure, as far as the phone still listens.
    void abandonUpload(Result why);
    [[nodiscard]] Outcome<Bytes> readSeem(ControlPipe& pipe, std::uint16_t seem,
                                          std::uint16_t record);
    [[nodiscard]] Result replaceSeem(ControlPipe& pipe, std::uint16_t seem, std::uint16_t record,
                                     const Bytes& bytes);

    PhonePort& port_;
    Exchange exchange_;
    std::mutex mutex_;
    bool initialised_ = false;
    P2K_NotifyProc notify_ = nullptr;
    std::optional<bool> lastSeen_;
    std::vector<PhoneRecord> listing_;
    std::optional<Upload> upload_;
    Connection connection_;
};

} // namespace p2kusb
