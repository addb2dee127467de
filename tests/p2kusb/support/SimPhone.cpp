#include "SimPhone.h"

#include "SimPhoneState.h"

#include <algorithm>
#include <thread>

namespace p2kusb {

namespace {

constexpr std::uint16_t kAccepted = 0x8000;
constexpr std::uint16_t kFailed = 0x4000;
constexpr std::size_t kListedSizes = 3;

Bytes replyMessage(std::uint16_t id, std::uint16_t status, const Bytes& data)
{
    return SimWriter()
        .u16(id | 0x8000)
        .u16(status)
        .u16(std::uint16_t(data.size()))
        .u16(0)
        .raw(data)
        .take();
}

void cut(Bytes& reply, std::uint16_t length)
{
    if (reply.size() > length)
        reply.resize(length);
}

} // namespace

SimPhone::SimPhone(std::string phoneFolder, std::uint64_t capacity)
    : state_(std::make_unique<State>())
{
    state_->folder.setRoot(std::move(phoneFolder));
    state_->capacity = capacity;
}

SimPhone::~SimPhone() = default;

void SimPhone::State::dropSession()
{
    queue.clear();
    open.reset();
    listing.clear();
    cursor = 0;
}

PipeStatus SimPhone::sendOut(std::uint8_t request, std::uint16_t, const Bytes& data, Millis)
{
    std::lock_guard lock(mutex_);
    State& s = *state_;
    if (s.plugged && s.faults.unplugAfter >= 0 && s.commands >= s.faults.unplugAfter) {
        s.plugged = false;
        s.dropSession();
    }
    if (!s.plugged)
        return PipeStatus::Gone;
    SimReader in{data};
    auto id = in.u16();
    auto command = in.u16();
    auto length = in.u16();
    auto zero = in.u16();
    if (request != 2 || !zero || *length != in.remaining())
        return PipeStatus::Failed;
    ++s.commands;
    s.received.push_back(data);
    // A refusing phone does nothing; a silent one does the work but never says so.
    SimAnswer answer = s.faults.refuse ? SimAnswer{false, {}} : s.answer(*command, in);
    if (s.faults.silent || answer.silent)
        return PipeStatus::Ok;
    std::uint16_t replyId = s.faults.wrongId ? (*id + 0x800) & 0x0FFF : *id;
    for (int i = s.faults.staleBefore; i > 0; --i)
        s.queue.push_back(replyMessage((*id - i) & 0x0FFF, kAccepted, {}));
    s.queue.push_back(replyMessage(replyId, answer.ok ? kAccepted : kFailed, answer.data));
    s.notReadyLeft = s.faults.notReadyPolls;
    s.readyAt = std::chrono::steady_clock::now() + s.faults.busy;
    return PipeStatus::Ok;
}

PipeStatus SimPhone::receiveIn(std::uint8_t request, std::uint16_t value, std::uint16_t length,
                               Bytes& reply, Millis timeout)
{
    Millis delay;
    std::chrono::steady_clock::time_point readyAt;
    {
        std::lock_guard lock(mutex_);
        delay = state_->faults.delay;
        readyAt = state_->readyAt;
    }
    std::this_thread::sleep_for(std::min(delay, timeout));
    if (delay > timeout)
        return PipeStatus::Timeout;
    // Like the phone-side driver, a poll is held until the busy phone's reply exists.
    if (request == 0) {
        std::this_thread::sleep_until(
            std::min(readyAt, std::chrono::steady_clock::now() + timeout - delay));
        if (std::chrono::steady_clock::now() < readyAt)
            return PipeStatus::Timeout;
    }
    std::lock_guard lock(mutex_);
    State& s = *state_;
    if (!s.plugged)
        return PipeStatus::Gone;
    SimWriter out;
    if (request == 0) {
        std::size_t queued = s.notReadyLeft > 0 ? 0 : s.queue.size();
        s.notReadyLeft = std::max(0, s.notReadyLeft - 1);
        // The phone-side driver's status byte is always 0.
        out.u8(0).u8(std::uint8_t(queued));
        for (std::size_t i = 0; i < std::min(queued, kListedSizes); ++i)
            out.u16(std::uint16_t(s.queue[i].size() + s.faults.sizeSkew));
    } else if (request == 1) {
        std::size_t count = std::min<std::size_t>(value, s.queue.size());
        if (s.faults.perFetch > 0)
            count = std::min<std::size_t>(count, s.faults.perFetch);
        SimWriter messages;
        for (std::size_t i = 0; i < count; ++i) {
            messages.u16(std::uint16_t(s.queue.front().size())).raw(s.queue.front());
            s.queue.pop_front();
        }
        std::size_t queuedBytes = 0;
        for (const Bytes& message : s.queue)
            queuedBytes += message.size();
        out.u8(std::uint8_t(count)).u8(std::uint8_t(s.queue.size()));
        out.u16(std::uint16_t(std::min<std::size_t>(queuedBytes, 0xFFFF))).raw(messages.take());
    } else {
        return PipeStatus::Failed;
    }
    reply = out.take();
    if (request == 1)
        reply.resize(reply.size() - std::min<std::size_t>(reply.size(), s.faults.fetchShortBy));
    cut(reply, length);
    return PipeStatus::Ok;
}

void SimPhone::setFaults(const SimFaults& faults)
{
    std::lock_guard lock(mutex_);
    state_->faults = faults;
    state_->commands = 0;
}

void SimPhone::unplug()
{
    std::lock_guard lock(mutex_);
    state_->plugged = false;
    state_->dropSession();
}

void SimPhone::plugIn()
{
    std::lock_guard lock(mutex_);
    state_->plugged = true;
    state_->faults.unplugAfter = -1;
}

bool SimPhone::pluggedIn() const
{
    std::lock_guard lock(mutex_);
    return state_->plugged;
}

std::vector<Bytes> SimPhone::received() const
{
    std::lock_guard lock(mutex_);
    return state_->received;
}

int SimPhone::restarts() const
{
    std::lock_guard lock(mutex_);
    return state_->restarts;
}

} // namespace p2kusb
