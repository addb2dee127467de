// The packet log for bug reports, one line per event with a UTC time stamp:
//   2026-12-07T23:15:00.123Z > 0001004a000c0000...    a message to the phone, in hex
//   2026-12-07T23:15:00.131Z < 8001800000040000...    a message from it
//   2026-12-07T23:15:01.500Z ? poll 0102               a transfer that did not parse, in hex
//   2026-12-07T23:15:06.131Z ! no reply to 0x002 ...  timeouts, plug, unplug, mode switch, claim
// The file is opened for each line, only if it is a regular file and without waiting, so a FIFO
// or a device named by mistake never holds up a call. Past its limit it is moved to PATH.1 (the
// one before is dropped) and begun again, so the log never takes more than twice the limit.
#pragma once

#include "PhonePort.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace p2kusb {

constexpr std::uint64_t kPacketLogLimit = 4 * 1024 * 1024;

class PacketLog {
public:
    // An empty path logs nothing.
    explicit PacketLog(std::string path = {}, std::uint64_t limit = kPacketLogLimit)
        : path_(std::move(path)), limit_(limit)
    {
    }

    bool enabled() const { return !path_.empty(); }
    // direction is '>' for a message to the phone, '<' for one from it.
    void record(char direction, const Bytes& message) const;
    // An event in words ('!').
    void note(std::string_view text) const;
    // A transfer that did not parse: what it was, then its bytes.
    void unparsed(std::string_view what, const Bytes& bytes) const;

    // One line, time-stamped, with its line feed.
    static std::string line(char tag, std::string_view text);
    // Appends whole lines. A log that cannot be written is skipped: it must never stop a call.
    void write(std::string_view lines) const;

private:
    std::string path_;
    std::uint64_t limit_;
};

std::string hexText(const Bytes& bytes);

} // namespace p2kusb
