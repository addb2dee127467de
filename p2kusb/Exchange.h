// One command and its reply over the phone's control pipe: send (request 2), poll (request 0)
// until a reply is queued, fetch it (request 1), and make sure it answers this command.
#pragma once

#include "Messages.h"
#include "PacketLog.h"
#include "PhonePort.h"
#include "Replies.h"
#include "Results.h"

#include <optional>

namespace p2kusb {

struct Timing {
    Millis transfer{1000};   // one control transfer
    Millis reply{5000};      // from sending a command to having its reply
    Millis pollInterval{10}; // between polls that found nothing
};

class Exchange {
public:
    Exchange(Timing timing, PacketLog log) : timing_(timing), log_(std::move(log)) {}

    // The reply's data when the phone accepted the command. Bounded by timing().reply plus one
    // transfer timeout, whatever the phone does.
    [[nodiscard]] Outcome<Bytes> run(ControlPipe& pipe, const Request& request);
    // The same with another bound on the wait for the reply.
    [[nodiscard]] Outcome<Bytes> run(ControlPipe& pipe, const Request& request, Millis replyBound);

    const Timing& timing() const { return timing_; }

private:
    using Clock = std::chrono::steady_clock;

    // What a fetched message means for the command with id `id`.
    enum class Match { Ours, Stale, Foreign };
    Match classify(std::uint16_t replyId, std::uint16_t id) const;
    // One poll and, if something waits, one fetch; the reply to `id` when it came.
    Outcome<std::optional<Reply>> pollOnce(ControlPipe& pipe, std::uint16_t id,
                                           Clock::time_point deadline, int& stale);
    Millis transferBound(Clock::time_point deadline) const;

    Timing timing_;
    PacketLog log_;
    std::uint16_t nextId_ = 1;
};

// The Result of a control transfer that did not work.
Result pipeFailure(PipeStatus status);

} // namespace p2kusb
