#include "Exchange.h"

#include "Replies.h"

#include <algorithm>
#include <thread>

namespace p2kusb {

namespace {

constexpr std::uint8_t kSendRequest = 2;
constexpr std::uint8_t kPollRequest = 0;
constexpr std::uint8_t kFetchRequest = 1;
constexpr std::uint16_t kPollLength = 8;
// A fetch asks for 4 header bytes, then a size word and the message for each.
constexpr std::size_t kFetchHeader = 4;
constexpr std::size_t kMaxTransfer = 0xFFFF;
// Replies to commands that gave up waiting may still arrive; this many are passed over, and
// only ids this far back count as such leftovers.
constexpr int kMaxStaleReplies = 16;
constexpr std::uint16_t kStaleIdWindow = 64;

} // namespace

Result pipeFailure(PipeStatus status)
{
    switch (status) {
    case PipeStatus::Ok:
        return kOk;
    case PipeStatus::Timeout:
        return kTimeout;
    case PipeStatus::Gone:
        return kNotConnected;
    case PipeStatus::Failed:
        break;
    }
    return kUsbError;
}

Outcome<Bytes> Exchange::run(ControlPipe& pipe, const Request& request)
{
    return run(pipe, request, timing_.reply);
}

Outcome<Bytes> Exchange::run(ControlPipe& pipe, const Request& request, Millis replyBound)
{
    const std::uint16_t id = nextId_;
    nextId_ = (nextId_ + 1) & kIdMask;
    Bytes message = request.frame(id);
    log_.record('>', message);
    const auto deadline = Clock::now() + replyBound;
    if (PipeStatus sent = pipe.sendOut(kSendRequest, 0, message, transferBound(deadline));
        sent != PipeStatus::Ok)
        return pipeFailure(sent);
    int stale = 0;
    for (;;) {
        auto got = pollOnce(pipe, id, deadline, stale);
        if (!got.ok())
            return got.error();
        if (const std::optional<Reply>& reply = got.value()) {
            if (!accepted(reply->status))
                return kRefused;
            return reply->data;
        }
        auto now = Clock::now();
        if (now >= deadline)
            return kTimeout;
        std::this_thread::sleep_for(
            std::min<Clock::duration>(timing_.pollInterval, deadline - now));
    }
}

Outcome<std::optional<Reply>> Exchange::pollOnce(ControlPipe& pipe, std::uint16_t id,
                                                 Clock::time_point deadline, int& stale)
{
    Bytes answer;
    PipeStatus status =
        pipe.receiveIn(kPollRequest, 0, kPollLength, answer, transferBound(deadline));
    if (status != PipeStatus::Ok)
        return pipeFailure(status);
    auto poll = decodePoll(answer);
    if (!poll.ok())
        return poll.error();
    if (poll.value().queued == 0)
        return std::optional<Reply>();
    // As many of the listed messages as one transfer can carry.
    const std::vector<std::uint16_t>& sizes = poll.value().sizes;
    std::size_t count = 0;
    std::size_t length = kFetchHeader;
    while (count < sizes.size() && length + 2 + sizes[count] <= kMaxTransfer)
        length += 2 + sizes[count++];
    if (count == 0)
        return kBadReply;
    status = pipe.receiveIn(kFetchRequest, std::uint16_t(count), std::uint16_t(length), answer,
                            transferBound(deadline));
    if (status != PipeStatus::Ok)
        return pipeFailure(status);
    auto messages = decodeFetch(answer, count);
    if (!messages.ok())
        return messages.error();
    for (std::size_t i = 0; i < messages.value().size(); ++i) {
        const Bytes& message = messages.value()[i];
        log_.record('<', message);
        auto reply = decodeReply(message);
        if (!reply.ok() || message.size() != sizes[i])
            return kBadReply;
        switch (classify(reply.value().id, id)) {
        case Match::Ours:
            return std::optional<Reply>(std::move(reply.value()));
        case Match::Stale:
            if (++stale > kMaxStaleReplies)
                return kBadReply;
            break;
        case Match::Foreign:
            return kBadReply;
        }
    }
    return std::optional<Reply>();
}

Exchange::Match Exchange::classify(std::uint16_t replyId, std::uint16_t id) const
{
    std::uint16_t answered = replyId & ~kReplyBit;
    if (answered == id)
        return Match::Ours;
    std::uint16_t age = (id - answered) & kIdMask;
    if (answered <= kIdMask && age >= 1 && age <= kStaleIdWindow)
        return Match::Stale;
    return Match::Foreign;
}

Millis Exchange::transferBound(Clock::time_point deadline) const
{
    auto left = std::chrono::ceil<Millis>(deadline - Clock::now());
    return std::clamp(left, Millis(1), timing_.transfer);
}

} // namespace p2kusb
