#include "Replies.h"

#include "BigEndian.h"
#include "Messages.h"
#include "phonelink/p2kapi.h"

#include <algorithm>
#include <cstring>

namespace p2kusb {

Outcome<PollReply> decodePoll(const Bytes& reply)
{
    ByteReader in(reply);
    auto status = in.u8();
    auto queued = in.u8();
    if (!status || !queued)
        return kBadReply;
    PollReply poll{*status, *queued, {}};
    std::size_t listed = std::min<std::size_t>(*queued, kMaxPolledSizes);
    for (std::size_t i = 0; i < listed; ++i) {
        auto size = in.u16();
        if (!size)
            return kBadReply;
        poll.sizes.push_back(*size);
    }
    return poll;
}

Outcome<std::vector<Bytes>> decodeFetch(const Bytes& reply, std::size_t asked)
{
    ByteReader in(reply);
    auto count = in.u8();
    auto stillQueued = in.u8();
    auto queuedBytes = in.u16();
    if (!count || !stillQueued || !queuedBytes || *count > asked)
        return kBadReply;
    std::vector<Bytes> messages;
    for (std::size_t i = 0; i < *count; ++i) {
        auto size = in.u16();
        auto message = size ? in.take(*size) : std::nullopt;
        if (!message)
            return kBadReply;
        messages.push_back(std::move(*message));
    }
    if (in.remaining() != 0)
        return kBadReply;
    return messages;
}

Outcome<Reply> decodeReply(const Bytes& message)
{
    ByteReader in(message);
    auto id = in.u16();
    auto status = in.u16();
    auto length = in.u16();
    auto reserved = in.u16();
    if (!reserved || !(*id & kReplyBit) || *length != in.remaining())
        return kBadReply;
    return Reply{*id, *status, in.rest()};
}

bool accepted(std::uint16_t status) { return (status & 0xF000) == 0x8000; }

Outcome<std::uint16_t> decodeSearch(const Bytes& data)
{
    auto count = ByteReader(data).u16();
    if (!count)
        return kBadReply;
    return *count;
}

namespace {

PhoneRecord decodeRecord(ByteReader& in, std::size_t recordSize)
{
    Bytes field = *in.take(recordSize - kRecordTrailer);
    auto end = std::find(field.begin(), field.end(), 0);
    PhoneRecord record;
    record.path.assign(field.begin(), end);
    record.attributes = *in.u16();
    record.owner = *in.u16();
    record.size = *in.u32();
    // A path without its NUL may have been cut at the field's end, and one that our 512-byte
    // records cannot hold would come back cut short: either would name another file.
    record.usable = end != field.end() && !record.path.empty() && record.path.front() == '/' &&
                    record.path.size() <= P2K_RECORD_PATH_MAX;
    return record;
}

} // namespace

Outcome<std::vector<PhoneRecord>> decodeListNext(const Bytes& data, std::size_t asked)
{
    ByteReader in(data);
    auto count = in.u16();
    if (!count || !in.take(2))
        return kBadReply;
    std::vector<PhoneRecord> records;
    if (*count == 0)
        return records;
    if (*count > asked || in.remaining() % *count != 0)
        return kBadReply;
    std::size_t recordSize = in.remaining() / *count;
    // At least a one-byte path and its NUL before the trailer.
    if (recordSize < kRecordTrailer + 2)
        return kBadReply;
    for (std::size_t i = 0; i < *count; ++i)
        records.push_back(decodeRecord(in, recordSize));
    return records;
}

Outcome<std::uint32_t> decodeFreeSpace(const Bytes& data)
{
    auto free = ByteReader(data).u32();
    if (!free)
        return kBadReply;
    return *free;
}

std::vector<std::string> decodeVolumes(const Bytes& data)
{
    std::vector<std::string> volumes;
    std::string name;
    auto finish = [&] {
        if (!name.empty() && name.back() == '/')
            name.pop_back();
        bool letters = name.size() >= 2 && name[0] == '/' &&
                       std::all_of(name.begin() + 1, name.end(), [](unsigned char c) {
                           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                       });
        if (letters && std::find(volumes.begin(), volumes.end(), name) == volumes.end())
            volumes.push_back(name);
        name.clear();
    };
    ByteReader in(data);
    while (auto unit = in.u16()) {
        if (*unit == 0)
            break;
        if (*unit == 0xFFFE || *unit == ' ')
            finish();
        else
            name.push_back(*unit < 0x80 ? char(*unit) : '?');
    }
    finish();
    return volumes;
}

Outcome<Bytes> decodeSeemRead(const Bytes& data)
{
    ByteReader in(data);
    auto status = in.u8();
    if (!status)
        return kBadReply;
    if (*status != 0)
        return kRefused;
    return in.rest();
}

} // namespace p2kusb
