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
    Millis reply{5000};      // from sending a quick command to having its reply
    Millis pollInterval{10}; // between polls that found nothing
    Millis slowReply{20000}; // the same for a command that writes to the phone's flash
    // A listing past the count its search announced must end within this.
    Millis listingOverrun{60000};

    Millis replyBound(Pace pace) const { return pace == Pace::Slow ? slowReply : reply; }
};

class Exchange {
public:
    Exchange(Timing timing, PacketLog log) : timing_(timing), log_(std::move(log)) {}

    // The reply's data when the phone accepted the command. Bounded by the command's reply bound
    // (Timing::replyBound) plus one transfer timeout, whatever the phone does. A poll that the
    // phone holds until the transfer times out only means the reply is not ready yet.
    [[nodiscard]] Outcome<Bytes> run(ControlPipe& pipe, const Request& request);
    // The same with another bound on the wait for the reply.
    [[nodiscard]] Outcome<Bytes> run(ControlPipe& pipe, const Request& request, Millis replyBound);
    // The same for a query asked again and again (the free space, once a second): it is logged
    // only when its answer differs from the last time's.
    [[nodiscard]] Outcome<Bytes> runQuietly(ControlPipe& pipe, const Request& request);

    const Timing& timing() const { return timing_; }
    const PacketLog& log() const { return log_; }

private:
    using Clock = std::chrono::steady_clock;

    // What a fetched message means for the command with id `id`.
    enum class Match { Ours, Stale, Foreign };
    Match classify(std::uint16_t replyId, std::uint16_t id) const;
    // One poll and, if something waits, one fetch; the reply to `id` when it came.
    Outcome<std::optional<Reply>> pollOnce(ControlPipe& pipe, std::uint16_t id,
                                           Clock::time_point deadline, int& stale);
    Outcome<Bytes> await(ControlPipe& pipe, std::uint16_t id, Clock::time_point deadline);
    Millis transferBound(Clock::time_point deadline) const;
    void logLine(char tag, std::string_view text);

    Timing timing_;
    PacketLog log_;
    std::uint16_t nextId_ = 1;
    // While a quiet query runs, its lines wait here.
    std::optional<std::string> held_;
    Bytes lastQuiet_;
};

// The Result of a control transfer that did not work.
Result pipeFailure(PipeStatus status);

} // namespace p2kusb
