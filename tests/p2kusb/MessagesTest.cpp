// Byte vectors for the message layer. Each row names the fact of the protocol notes
// (shared/p2k-usb.md, by section) that it checks.
#include "Messages.h"
#include "Replies.h"
#include "SimFixture.h"

#include <gtest/gtest.h>
#include <type_traits>

namespace p2kusb {
namespace {

struct EncoderRow {
    const char* fact;
    std::optional<Request> request;
    std::uint16_t id;
    const char* hex;
    std::size_t zeroPad = 0; // zero bytes that follow hex
};

TEST(MessagesTest, EncodesEveryCommandByteForByte)
{
    const std::uint8_t three[] = {0xAA, 0xBB, 0xCC};
    const EncoderRow rows[] = {
        {"3 header: id, command, argument length, zero word; 4 fs open: attributes, 8-bit path",
         Request::fileOpen("/a/x", 0), 0x0123, "0123 004a 000c 0000 00000000 00000000 2f612f78"},
        {"3 ids are 12 bits", Request::fileOpen("/a/x", 0), 0x1005,
         "0005 004a 000c 0000 00000000 00000000 2f612f78"},
        {"4 fs read: u32 n up to 0x400", Request::fileRead(0x400), 1,
         "0001 004a 0008 0000 00000001 00000400"},
        {"4 fs write: u32 n, then n bytes", Request::fileWrite(three, 3), 2,
         "0002 004a 000b 0000 00000002 00000003 aabbcc"},
        {"4 fs seek: u32 offset, u8 whence", Request::fileSeek(0x10, 0), 3,
         "0003 004a 0009 0000 00000003 00000010 00"},
        {"4 fs close: no arguments", Request::fileClose(), 4, "0004 004a 0004 0000 00000004"},
        {"4 fs delete: the 8-bit path", Request::fileDelete("/a/\xDF"), 5,
         "0005 004a 0008 0000 00000005 2f612fdf"},
        {"4 fs search: UCS-2 BE folder, FFFE, wildcard, then a zero word as both tools send",
         Request::search("/a/"), 6, "0006 004a 0010 0000 00000007 002f 0061 002f fffe 002a 0000"},
        {"4/5 search pattern: Windows-1251 bytes become their UCS-2 letters",
         Request::search("/a/\xDF\x98/"), 7,
         "0007 004a 0016 0000 00000007 002f 0061 002f 042f 0098 002f fffe 002a 0000"},
        {"4 fs list next: u8 n", Request::listNext(3), 8, "0008 004a 0005 0000 00000008 03"},
        {"4 fs free space: UCS-2 \"/a\" zero-padded to 512 bytes",
         Request::freeSpace("/a", VolumeField::Plain), 9, "0009 004a 0204 0000 0000000b 002f 0061",
         508},
        {"4 fs free space, the other layout: a zero word, then \"/a\", 256 argument bytes",
         Request::freeSpace("/a", VolumeField::AfterZeroWord), 9,
         "0009 004a 0100 0000 0000000b 0000 002f 0061", 246},
        {"4 seem read: seem, record, offset, count 0 = whole record",
         Request::seemRead(0x4C, 1, 0, 0), 10, "000a 0020 0008 0000 004c 0001 0000 0000"},
        {"4 seem write: the same 8 bytes, then the data",
         Request::seemWrite(0x4C, 1, 0, Bytes{0xAA, 0xBB}), 11,
         "000b 002f 000a 0000 004c 0001 0000 0002 aabb"},
        {"4 restart: no arguments", Request::restart(), 12, "000c 0022 0000 0000"},
    };
    for (const EncoderRow& row : rows) {
        ASSERT_TRUE(row.request) << row.fact;
        Bytes expected = hexBytes(row.hex);
        expected.resize(expected.size() + row.zeroPad, 0);
        EXPECT_EQ(row.request->frame(row.id), expected) << row.fact;
    }
}

TEST(MessagesTest, RefusesWhatThePhoneCannotTake)
{
    const Bytes tooMuch(kMaxSeemBytes + 1, 1);
    const std::uint8_t chunk[kMaxFileChunk + 1] = {};
    const std::string longPath = "/" + std::string(kMaxPhonePathBytes, 'x');
    const std::pair<const char*, bool> rows[] = {
        {"read of 0", Request::fileRead(0).has_value()},
        {"read over 0x400", Request::fileRead(kMaxFileChunk + 1).has_value()},
        {"write over 0x400", Request::fileWrite(chunk, kMaxFileChunk + 1).has_value()},
        {"write of nothing", Request::fileWrite(chunk, 0).has_value()},
        {"open of an empty path", Request::fileOpen("", 0).has_value()},
        {"delete of a path past the record's field", Request::fileDelete(longPath).has_value()},
        {"seem write past 16-bit lengths", Request::seemWrite(1, 1, 0, tooMuch).has_value()},
        {"seem write of nothing", Request::seemWrite(1, 1, 0, {}).has_value()},
    };
    for (const auto& [what, built] : rows)
        EXPECT_FALSE(built) << what;
    // The flash-mode command cannot be framed: a Request comes only from its named constructors.
    static_assert(!std::is_constructible_v<Request, Command, Bytes>);
    static_assert(!std::is_constructible_v<Request, std::uint16_t, Bytes>);
}

// What a decoder made of the bytes, as a short text: the decoded values, or the error's name.
template <typename T, typename Show> std::string shown(const Outcome<T>& out, Show show)
{
    return out.ok() ? show(out.value()) : std::string("error: ") + resultName(out.error());
}

std::string hexText(const Bytes& bytes)
{
    std::string text;
    char two[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text;
}

std::string showPoll(const PollReply& poll)
{
    std::string text = std::to_string(poll.status) + " q" + std::to_string(poll.queued);
    for (std::uint16_t size : poll.sizes)
        text += " " + std::to_string(size);
    return text;
}

std::string showMessages(const std::vector<Bytes>& messages)
{
    std::string text;
    for (const Bytes& message : messages)
        text += "[" + hexText(message) + "]";
    return text;
}

std::string showReply(const Reply& reply)
{
    char head[32];
    std::snprintf(head, sizeof head, "%04x %04x ", reply.id, reply.status);
    return head + hexText(reply.data) + (accepted(reply.status) ? " accepted" : " refused");
}

std::string showRecords(const std::vector<PhoneRecord>& records)
{
    std::string text;
    for (const PhoneRecord& r : records)
        text += !r.usable ? "[unusable]"
                          : "[" + r.path + " a" + std::to_string(r.attributes) + " s" +
                                std::to_string(r.size) + "]";
    return text;
}

struct DecoderRow {
    const char* fact;
    const char* hex;
    std::string (*decode)(const Bytes&);
    const char* expected;
};

std::string poll(const Bytes& b) { return shown(decodePoll(b), showPoll); }
std::string fetch1(const Bytes& b) { return shown(decodeFetch(b, 1), showMessages); }
std::string fetch3(const Bytes& b) { return shown(decodeFetch(b, 3), showMessages); }
std::string reply(const Bytes& b) { return shown(decodeReply(b), showReply); }
std::string list(const Bytes& b) { return shown(decodeListNext(b, 3), showRecords); }
std::string search(const Bytes& b)
{
    return shown(decodeSearch(b), [](std::uint16_t n) { return std::to_string(n); });
}
std::string freeSpace(const Bytes& b)
{
    return shown(decodeFreeSpace(b), [](std::uint32_t n) { return std::to_string(n); });
}
std::string seem(const Bytes& b) { return shown(decodeSeemRead(b), hexText); }

TEST(MessagesTest, DecodesEveryReplyShapeAndRefusesMalformedOnes)
{
    const DecoderRow rows[] = {
        {"2 poll: count 0 = not ready", "00 00", poll, "0 q0"},
        {"2 poll: status, count, u16 size each", "01 02 0010 000a", poll, "1 q2 16 10"},
        {"2 poll: at most 3 sizes listed, status 2 = more", "02 05 0008 0009 000a", poll,
         "2 q5 8 9 10"},
        {"2 poll: sizes missing for the count", "01 02 0010", poll, "error: bad reply"},
        {"2 poll: short", "01", poll, "error: bad reply"},
        {"2 fetch: count, still queued, queued bytes, then size + message",
         "01 00 0000 0003 aabbcc", fetch1, "[aabbcc]"},
        {"2 fetch: two messages", "02 01 0008 0001 aa 0002 bbcc", fetch3, "[aa][bbcc]"},
        {"2 fetch: more messages than asked for", "02 00 0000 0001 aa 0001 bb", fetch1,
         "error: bad reply"},
        {"2 fetch: message runs past the reply", "01 00 0000 0004 aabbcc", fetch1,
         "error: bad reply"},
        {"2 fetch: bytes after the last message", "01 00 0000 0001 aa bb", fetch1,
         "error: bad reply"},
        {"2 fetch: short header", "01 00 00", fetch1, "error: bad reply"},
        {"3 reply: id | 0x8000, status, data length, zero word", "8005 8000 0002 0000 aabb", reply,
         "8005 8000 aabb accepted"},
        {"3 reply: status top nibble other than 8 is a failure", "8005 4001 0000 0000", reply,
         "8005 4001  refused"},
        {"3 reply: 0x6 nibble is not taken as accepted", "8005 6000 0000 0000", reply,
         "8005 6000  refused"},
        {"3 reply: data length longer than the data", "8005 8000 0003 0000 aabb", reply,
         "error: bad reply"},
        {"3 reply: data length shorter than the data", "8005 8000 0001 0000 aabb", reply,
         "error: bad reply"},
        {"3 reply: without bit 15 it is no reply", "0005 8000 0000 0000", reply,
         "error: bad reply"},
        {"3 reply: short header", "8005 8000 00", reply, "error: bad reply"},
        {"4 search: reply starts with u16 match count", "0003 0000", search, "3"},
        {"4 search: short", "00", search, "error: bad reply"},
        {"4 list next: 0 records ends the listing", "0000 0000", list, ""},
        {"4 list next: path NUL-padded, u16 attributes, u16 owner, u32 size",
         "0001 0000 2f61 2f78 0000 0010 0000 00000100", list, "[/a/x a16 s256]"},
        {"4 list next: record size worked out from the length",
         "0002 0000 2f6100 0001 0002 00000003 2f6200 0000 0000 00000004", list,
         "[/a a1 s3][/b a0 s4]"},
        {"4 list next: record size does not divide the data",
         "0002 0000 2f6100 0001 0002 00000003 2f62", list, "error: bad reply"},
        {"4 list next: more records than asked for",
         "0004 0000 2f00 0000 0000 00000000 2f00 0000 "
         "0000 00000000 2f00 0000 0000 00000000 2f00 0000 0000 00000000",
         list, "error: bad reply"},
        {"4 list next: record too small for a path", "0001 0000 00 0000 0000 00000000", list,
         "error: bad reply"},
        {"4 list next: an empty path is passed over, not the listing",
         "0001 0000 0000 0000 0000 00000000", list, "[unusable]"},
        {"4 list next: count without the two unknown bytes", "0001 00", list, "error: bad reply"},
        {"4 free space: u32 free bytes", "00100000", freeSpace, "1048576"},
        {"4 free space: short", "0010", freeSpace, "error: bad reply"},
        {"4 seem read: status byte 0, then the record", "00 aabb", seem, "aabb"},
        {"4 seem read: nonzero status byte", "01", seem, "error: refused"},
        {"4 seem read: no status byte", "", seem, "error: bad reply"},
    };
    for (const DecoderRow& row : rows)
        EXPECT_EQ(row.decode(hexBytes(row.hex)), row.expected) << row.fact;
}

} // namespace
} // namespace p2kusb
