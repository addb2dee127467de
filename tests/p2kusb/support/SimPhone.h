// A simulated P2K phone at the control-transfer level, for tests: it takes commands (request 2),
// answers polls (request 0) and fetches (request 1) like the phone's "Test Command" interface,
// and keeps its files in an emulator-style phone folder (fs/, seem/). Knobs in SimFaults make it
// misbehave. All members may be called from several threads.
#pragma once

#include "PhonePort.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace p2kusb {

// How a phone answers a list-next after the last file.
enum class SimListEnd { NoRecords, ErrorStatus, EmptyReply, NoReply };

struct SimFaults {
    int notReadyPolls = 0;          // polls that find nothing queued before each reply shows
    int perFetch = 0;               // messages one fetch hands out at the most (0: as asked)
    int staleBefore = 0;            // replies to an earlier id queued ahead of each reply
    bool wrongId = false;           // replies name an id that was never sent
    bool refuse = false;            // replies say the command failed
    int unplugAfter = -1;           // commands taken (after setFaults) before it drops off the bus
    Millis delay{0};                // every poll and fetch takes this long
    int extraRecords = 0;           // a listing yields this many made-up records beyond its count
    int announceShortBy = 0;        // a search announces this many files fewer than it lists
    int repeatRecords = 0;          // a listing sends its first records again after its last
    bool silent = false;            // commands go in, no reply ever comes out
    bool corruptSeemWrites = false; // a seem write stores other bytes than it was sent
    bool truncateOnOpen = false;    // opening an existing file empties it
    bool volumeAfterZeroWord = false; // free space takes only the layout with a zero word
    bool volumePlainOnly = false;     // free space takes only the name without a zero word
    Millis busy{0}; // a command's reply exists this long after it; polls wait for it
    SimListEnd listEnd = SimListEnd::NoRecords;
    bool unusableRecords = false; // a listing holds an empty path and an unended one, counted
    bool noVolumes = false;       // the volumes command is refused
    std::string emptySlot{};      // a volume ("/e") whose search is refused: a slot without a card
    int sizeSkew = 0;             // a poll lists each reply this many bytes longer than it is
    int fetchShortBy = 0;         // each fetch reply loses this many bytes at its end
};

class SimPhone : public ControlPipe {
public:
    explicit SimPhone(std::string phoneFolder, std::uint64_t capacity = 16 * 1024 * 1024);
    ~SimPhone() override;

    PipeStatus sendOut(std::uint8_t request, std::uint16_t value, const Bytes& data,
                       Millis timeout) override;
    PipeStatus receiveIn(std::uint8_t request, std::uint16_t value, std::uint16_t length,
                         Bytes& reply, Millis timeout) override;

    void setFaults(const SimFaults& faults);
    void unplug();
    void plugIn();
    bool pluggedIn() const;
    // Every message the phone was sent, in order.
    std::vector<Bytes> received() const;
    int restarts() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    mutable std::mutex mutex_;
};

// A PhonePort whose phone is a SimPhone: connected while it is plugged in and start() has run.
class SimPort : public PhonePort {
public:
    explicit SimPort(std::shared_ptr<SimPhone> phone) : phone_(std::move(phone)) {}
    void start() override { started_ = true; }
    bool connected() const override { return started_ && phone_->pluggedIn(); }
    std::shared_ptr<ControlPipe> pipe() override
    {
        return connected() ? phone_ : std::shared_ptr<ControlPipe>();
    }

private:
    std::shared_ptr<SimPhone> phone_;
    std::atomic<bool> started_{false};
};

} // namespace p2kusb
