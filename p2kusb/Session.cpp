#include "Session.h"

#include "Messages.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

namespace p2kusb {

namespace {

// The phone reboots on a restart and may go before it answers; this is how long it gets.
constexpr Millis kRestartReplyBound{1000};
// The phone's own memory: its free space is the one figure the ABI reports, and it is the one
// volume listed when the phone does not say which it has.
constexpr std::string_view kMainVolume = "/a";

using Clock = std::chrono::steady_clock;

// Records allowed past twice the announced count; see listMatches. The count is a 16-bit number,
// so a phone of more files than that announces only its count's low bits.
constexpr std::size_t kListingSlack = 0x10000;

// How far a listing may go past the count its search announced, so that a broken phone cannot
// list for ever: at most twice the count and kListingSlack more records, and what comes past the
// count must come within `overrun` of the count being reached.
class ListingBounds {
public:
    ListingBounds(std::size_t announced, Millis overrun)
        : announced_(announced), limit_(2 * announced + kListingSlack), overrun_(overrun)
    {
        noteReceived(0);
    }

    bool pastCount(std::size_t received) const { return received >= announced_; }

    // Why the listing must stop after `received` records, if it must.
    std::optional<std::string> exceeded(std::size_t received)
    {
        noteReceived(received);
        if (received <= announced_)
            return std::nullopt;
        if (received > limit_)
            return "more than " + std::to_string(limit_) + " records";
        if (Clock::now() - countReached_ >= overrun_)
            return "still listing " + std::to_string(overrun_.count()) + " ms past the count";
        return std::nullopt;
    }

private:
    void noteReceived(std::size_t received)
    {
        if (!reached_ && received >= announced_) {
            reached_ = true;
            countReached_ = Clock::now();
        }
    }

    std::size_t announced_;
    std::size_t limit_;
    Millis overrun_;
    bool reached_ = false;
    Clock::time_point countReached_{};
};

// Keeps the first record of each path, in the phone's order; returns how many went. A phone
// that lists past its count may send a file twice, and each path must reach the program once.
std::size_t dropRepeatedPaths(std::vector<PhoneRecord>& records)
{
    std::vector<bool> repeated(records.size());
    {
        std::unordered_set<std::string_view> seen;
        seen.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            repeated[i] = !seen.insert(records[i].path).second;
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (repeated[i])
            continue;
        if (kept != i)
            records[kept] = std::move(records[i]);
        ++kept;
    }
    const std::size_t dropped = records.size() - kept;
    records.resize(kept);
    return dropped;
}

void putLittleEndian32(std::uint8_t* out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = std::uint8_t(value >> (8 * i));
}

} // namespace

Session::Session(PhonePort& port, const LibraryConfig& config, Timing timing)
    : port_(port), exchange_(timing, PacketLog(config.packetLogPath, config.packetLogLimit))
{
}

std::int32_t Session::init(P2K_NotifyProc notify)
{
    std::lock_guard lock(mutex_);
    port_.start();
    initialised_ = true;
    notify_ = notify;
    lastSeen_.reset();
    listing_.clear();
    upload_.reset();
    return kOk;
}

// No lock and no USB: the window asks this every second while another call may be waiting on
// the phone.
std::int32_t Session::getStatus() const { return port_.connected() ? 1 : 0; }

void Session::noticeConnection(bool connected)
{
    if (lastSeen_ == connected)
        return;
    bool first = !lastSeen_.has_value();
    lastSeen_ = connected;
    if (notify_ && !first)
        notify_(connected ? 1 : 0);
}

Outcome<std::shared_ptr<ControlPipe>> Session::reachPhone()
{
    if (!initialised_)
        return kNotInitialised;
    bool connected = port_.connected();
    noticeConnection(connected);
    std::shared_ptr<ControlPipe> pipe = connected ? port_.pipe() : nullptr;
    // A phone that went away took its open file with it, even if it is back by now.
    if (upload_ && upload_->pipe != pipe)
        upload_.reset();
    if (connection_.pipe.lock() != pipe)
        connection_ = Connection{pipe, {}, false};
    if (!pipe)
        return kNotConnected;
    return pipe;
}

Outcome<Bytes> Session::run(ControlPipe& pipe, const Request& request)
{
    return exchange_.run(pipe, request);
}

std::int32_t Session::restart()
{
    std::lock_guard lock(mutex_);
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    upload_.reset();
    auto reply = exchange_.run(*pipe.value(), Request::restart(), kRestartReplyBound);
    // Going away without a word is how a restarting phone answers; the transport brings it back
    // in P2K mode.
    if (reply.ok() || reply.error() == kNotConnected || reply.error() == kTimeout)
        return kOk;
    return reply.error();
}

std::vector<std::string> Session::volumes(ControlPipe& pipe)
{
    auto reply = run(pipe, Request::volumes());
    std::vector<std::string> names =
        reply.ok() ? decodeVolumes(reply.value()) : std::vector<std::string>();
    if (names.empty())
        names.emplace_back(kMainVolume);
    return names;
}

Result Session::listMatches(ControlPipe& pipe, const Request& search,
                            std::vector<PhoneRecord>& records, std::size_t& unusable)
{
    auto found = run(pipe, search);
    if (!found.ok())
        return found.error();
    auto announced = decodeSearch(found.value());
    if (!announced.ok())
        return announced.error();
    // A phone may list more files than its search announced (a file saved between the two, or a
    // phone that counts differently), so records are asked for until the phone has no more, as
    // the host tools do, within ListingBounds.
    ListingBounds bounds(announced.value(), exchange_.timing().listingOverrun);
    std::size_t received = 0;
    for (;;) {
        const bool pastCount = bounds.pastCount(received);
        auto next = run(pipe, Request::listNext(kListBatch));
        auto batch = next.ok() ? decodeListNext(next.value(), kListBatch)
                               : Outcome<std::vector<PhoneRecord>>(next.error());
        // Past the count, a phone may end its listing with an error, an empty reply or no reply
        // at all instead of a reply without records; what it listed stands, as with the host
        // tools, which stop at the first list-next that fails.
        if (pastCount && !batch.ok() && batch.error() != kNotConnected) {
            exchange_.log().note("listing ended past its count by " +
                                 std::string(resultName(batch.error())));
            return kOk;
        }
        if (!batch.ok())
            return batch.error();
        if (batch.value().empty())
            return pastCount ? kOk : kBadReply; // a listing that ends before its count
        received += batch.value().size();
        if (std::optional<std::string> why = bounds.exceeded(received)) {
            exchange_.log().note("listing cut off after " + std::to_string(received) +
                                 " records, " + std::to_string(announced.value()) +
                                 " announced: " + *why);
            return kBadReply;
        }
        for (PhoneRecord& record : batch.value()) {
            if (record.usable)
                records.push_back(std::move(record));
            else
                ++unusable;
        }
    }
}

Result Session::listFolder(ControlPipe& pipe, const std::string& folder,
                           std::vector<PhoneRecord>& records)
{
    std::size_t unusable = 0;
    Result listed = listMatches(pipe, Request::search(folder), records, unusable);
    if (unusable > 0)
        exchange_.log().note("listing of " + folder + ": " + std::to_string(unusable) +
                             " records passed over (empty path, or longer than its field)");
    return listed;
}

Outcome<std::vector<PhoneRecord>> Session::listAll(ControlPipe& pipe)
{
    std::vector<PhoneRecord> records;
    const std::vector<std::string> names = volumes(pipe);
    for (const std::string& volume : names) {
        std::vector<PhoneRecord> files;
        Result listed = listFolder(pipe, volume + "/", files);
        // A card slot without a card may refuse its listing; the phone's own memory may not.
        if (listed == kRefused && volume != kMainVolume) {
            exchange_.log().note("volume " + volume + " refused its listing: passed over");
            continue;
        }
        if (listed != kOk)
            return listed;
        std::move(files.begin(), files.end(), std::back_inserter(records));
    }
    if (std::size_t repeated = dropRepeatedPaths(records))
        exchange_.log().note("listing: " + std::to_string(repeated) +
                             " records of a path listed before passed over");
    return records;
}

std::int32_t Session::fileCount()
{
    std::lock_guard lock(mutex_);
    listing_.clear();
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    auto records = listAll(*pipe.value());
    if (!records.ok())
        return records.error();
    listing_ = std::move(records.value());
    return std::int32_t(listing_.size());
}

std::int32_t Session::fileList(void* records, std::int32_t count)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return kNotInitialised;
    if (count < 0 || (count > 0 && !records))
        return kBadArgument;
    std::size_t filled = std::min(std::size_t(count), listing_.size());
    auto* out = static_cast<std::uint8_t*>(records);
    for (std::size_t i = 0; i < filled; ++i) {
        std::uint8_t* record = out + i * P2K_RECORD_SIZE;
        const PhoneRecord& file = listing_[i];
        std::memset(record, 0, P2K_RECORD_SIZE);
        putLittleEndian32(record, file.size);
        putLittleEndian32(record + 4, file.attributes);
        // decodeListNext lets no path longer than the record's path field through.
        std::memcpy(record + P2K_RECORD_PATH_OFFSET, file.path.data(), file.path.size());
    }
    return std::int32_t(filled);
}

std::int32_t Session::volInfo(std::int32_t* info)
{
    std::lock_guard lock(mutex_);
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    // A read-only query: a phone that refuses one layout is asked in the other, and the one it
    // took is asked first from then on.
    std::vector<VolumeField> layouts{VolumeField::AfterZeroWord, VolumeField::Plain};
    if (connection_.freeSpaceLayout == VolumeField::Plain)
        std::swap(layouts[0], layouts[1]);
    Outcome<Bytes> reply = kRefused;
    for (VolumeField layout : layouts) {
        reply = exchange_.runQuietly(*pipe.value(), *Request::freeSpace(kMainVolume, layout));
        if (reply.ok())
            connection_.freeSpaceLayout = layout;
        if (reply.ok() || reply.error() != kRefused)
            break;
    }
    if (!reply.ok())
        return reply.error();
    auto free = decodeFreeSpace(reply.value());
    if (!free.ok())
        return free.error();
    auto bytes = std::int32_t(
        std::min<std::uint32_t>(free.value(), std::numeric_limits<std::int32_t>::max()));
    if (info)
        *info = bytes;
    return bytes;
}

} // namespace p2kusb
