#include "Exchange.h"

#include "Replies.h"

#include <algorithm>
#include <cstdio>
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

std::string idText(std::uint16_t id)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%03x", unsigned(id));
    return text;
}

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
    return run(pipe, request, timing_.replyBound(request.pace()));
}

Outcome<Bytes> Exchange::run(ControlPipe& pipe, const Request& request, Millis replyBound)
{
    const std::uint16_t id = nextId_;
    nextId_ = (nextId_ + 1) & kIdMask;
    Bytes message = request.frame(id);
    logLine('>', hexText(message));
    const auto start = Clock::now();
    const auto deadline = start + replyBound;
    if (PipeStatus sent = pipe.sendOut(kSendRequest, 0, message, transferBound(deadline));
        sent != PipeStatus::Ok) {
        logLine('!', "command " + idText(id) + " not taken: " + resultName(pipeFailure(sent)));
        return pipeFailure(sent);
    }
    auto reply = await(pipe, id, deadline);
    if (!reply.ok())
        logLine('!', "command " + idText(id) + ": " + resultName(reply.error()) + " after " +
                         std::to_string(std::chrono::ceil<Millis>(Clock::now() - start).count()) +
                         " ms (bound " + std::to_string(replyBound.count()) + " ms)");
    return reply;
}

Outcome<Bytes> Exchange::runQuietly(ControlPipe& pipe, const Request& request)
{
    held_.emplace();
    auto reply = run(pipe, request);
    std::string lines = std::move(*held_);
    held_.reset();
    Bytes seen = request.arguments();
    if (reply.ok())
        seen.insert(seen.end(), reply.value().begin(), reply.value().end());
    if (!reply.ok() || seen != lastQuiet_)
        log_.write(lines);
    lastQuiet_ = reply.ok() ? std::move(seen) : Bytes();
    return reply;
}

Outcome<Bytes> Exchange::await(ControlPipe& pipe, std::uint16_t id, Clock::time_point deadline)
{
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
    // The phone holds a poll until a reply exists; a poll that times out found nothing yet.
    if (status == PipeStatus::Timeout)
        return std::optional<Reply>();
    if (status != PipeStatus::Ok)
        return pipeFailure(status);
    auto poll = decodePoll(answer);
    if (!poll.ok()) {
        logLine('?', "poll " + hexText(answer));
        return poll.error();
    }
    if (poll.value().queued == 0)
        return std::optional<Reply>();
    // As many of the listed messages as one transfer can carry.
    const std::vector<std::uint16_t>& sizes = poll.value().sizes;
    std::size_t count = 0;
    std::size_t length = kFetchHeader;
    while (count < sizes.size() && length + 2 + sizes[count] <= kMaxTransfer)
        length += 2 + sizes[count++];
    if (count == 0) {
        logLine('?', "poll " + hexText(answer));
        return kBadReply;
    }
    status = pipe.receiveIn(kFetchRequest, std::uint16_t(count), std::uint16_t(length), answer,
                            transferBound(deadline));
    if (status != PipeStatus::Ok)
        return pipeFailure(status);
    auto messages = decodeFetch(answer, count);
    if (!messages.ok()) {
        logLine('?', "fetch " + hexText(answer));
        return messages.error();
    }
    for (std::size_t i = 0; i < messages.value().size(); ++i) {
        const Bytes& message = messages.value()[i];
        logLine('<', hexText(message));
        auto reply = decodeReply(message);
        if (!reply.ok() || message.size() != sizes[i]) {
            logLine('?', "reply of " + std::to_string(message.size()) + " bytes, polled as " +
                             std::to_string(sizes[i]));
            return kBadReply;
        }
        switch (classify(reply.value().id, id)) {
        case Match::Ours:
            return std::optional<Reply>(std::move(reply.value()));
        case Match::Stale:
            if (++stale > kMaxStaleReplies)
                return kBadReply;
            break;
        case Match::Foreign:
            logLine('?', "reply to an id never sent, waiting for " + idText(id));
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

void Exchange::logLine(char tag, std::string_view text)
{
    if (!log_.enabled())
        return;
    if (held_)
        *held_ += PacketLog::line(tag, text);
    else
        log_.write(PacketLog::line(tag, text));
}

Millis Exchange::transferBound(Clock::time_point deadline) const
{
    auto left = std::chrono::ceil<Millis>(deadline - Clock::now());
    return std::clamp(left, Millis(1), timing_.transfer);
}

} // namespace p2kusb
