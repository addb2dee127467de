// What the simulated phone keeps between transfers; shared by SimPhone.cpp (the transfers) and
// SimPhoneCommands.cpp (the answers to commands).
#pragma once

#include "BigEndian.h"
#include "PhoneFolder.h"
#include "SimPhone.h"

#include <chrono>

namespace p2kusb {

struct SimAnswer {
    bool ok = true;
    Bytes data;
};

struct SimOpenFile {
    p2kemu::Segments names;
    std::string bytes;
    std::size_t position = 0;
};

struct SimPhone::State {
    p2kemu::PhoneFolder folder;
    std::uint64_t capacity = 0;
    SimFaults faults;
    bool plugged = true;
    std::deque<Bytes> queue;
    int notReadyLeft = 0;
    std::chrono::steady_clock::time_point readyAt;
    int commands = 0;
    std::vector<Bytes> received;
    int restarts = 0;
    std::optional<SimOpenFile> open;
    // A listed record: the path as the phone puts it in its field (an unended one fills it).
    std::vector<p2kemu::PhoneFile> listing;
    std::size_t cursor = 0;
    int extraLeft = 0;

    // The answer to one command with its arguments.
    SimAnswer answer(std::uint16_t command, ByteReader& args);
    SimAnswer fileSystem(ByteReader& args);
    SimAnswer openFile(ByteReader& args);
    SimAnswer readFile(ByteReader& args);
    SimAnswer writeFile(ByteReader& args);
    SimAnswer seekFile(ByteReader& args);
    SimAnswer deleteFile(ByteReader& args);
    SimAnswer search(ByteReader& args);
    SimAnswer listNext(ByteReader& args);
    SimAnswer freeSpace(ByteReader& args);
    SimAnswer volumes();
    SimAnswer seemRead(ByteReader& args);
    SimAnswer seemWrite(ByteReader& args);
    void dropSession();
};

} // namespace p2kusb
