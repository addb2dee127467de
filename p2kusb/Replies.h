// Taking apart what the phone sends back. Every decoder checks each length against the bytes it
// has before it reads them; anything that does not add up is kBadReply (or kRefused, when the
// phone says the command failed), never a guess.
#pragma once

#include "PhonePort.h"
#include "Results.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace p2kusb {

// The most message sizes one poll reply lists.
constexpr std::size_t kMaxPolledSizes = 3;
// What follows the path in a listed record: u16 attributes, u16 owner, u32 size.
constexpr std::size_t kRecordTrailer = 8;

// Answer to a poll: how many replies wait, and the sizes of the first few.
struct PollReply {
    std::uint8_t status = 0;
    std::uint8_t queued = 0;
    std::vector<std::uint16_t> sizes;
};
Outcome<PollReply> decodePoll(const Bytes& reply);

// Answer to a fetch of `asked` messages: the messages, each whole.
Outcome<std::vector<Bytes>> decodeFetch(const Bytes& reply, std::size_t asked);

// One reply message: its id (bit 15 set), status word and data.
struct Reply {
    std::uint16_t id = 0;
    std::uint16_t status = 0;
    Bytes data;
};
Outcome<Reply> decodeReply(const Bytes& message);
// The phone took the command: the status word's top nibble is 8.
bool accepted(std::uint16_t status);

// The search reply starts with the number of files it found.
Outcome<std::uint16_t> decodeSearch(const Bytes& data);

// One file as the phone lists it.
struct PhoneRecord {
    std::string path;
    std::uint16_t attributes = 0;
    std::uint16_t owner = 0;
    std::uint32_t size = 0;
    // False for a record the library cannot use: an empty or relative path, or one that fills
    // its field without an end (cut short) or does not fit our 512-byte records.
    bool usable = true;
};
// A list-next reply for at most `asked` records: u16 count, two unknown bytes, then records of
// one size that the reply's length gives. An empty result ends the listing.
Outcome<std::vector<PhoneRecord>> decodeListNext(const Bytes& data, std::size_t asked);

Outcome<std::uint32_t> decodeFreeSpace(const Bytes& data);

// The volumes reply: UCS-2 names such as "/a" and "/c", apart by 0xFFFE (or blanks), ended by a
// zero word or the data's end. Names that are not a slash and letters are passed over; a trailing
// slash is dropped.
std::vector<std::string> decodeVolumes(const Bytes& data);

// A seem read reply: a status byte (0 when the record was read), then the record's bytes.
Outcome<Bytes> decodeSeemRead(const Bytes& data);

} // namespace p2kusb
