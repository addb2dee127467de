// The packet log for bug reports: every message to and from the phone, one line each, as hex
// with a UTC time stamp:
//   2026-12-07T23:15:00.123Z > 0001004a000c0000...
#pragma once

#include "PhonePort.h"

#include <string>

namespace p2kusb {

class PacketLog {
public:
    // An empty path logs nothing.
    explicit PacketLog(std::string path = {}) : path_(std::move(path)) {}

    bool enabled() const { return !path_.empty(); }
    // direction is '>' for a message to the phone, '<' for one from it. A log that cannot be
    // written is skipped: it must never stop a call.
    void record(char direction, const Bytes& message) const;

private:
    std::string path_;
};

} // namespace p2kusb
