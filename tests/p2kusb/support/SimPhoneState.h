// What the simulated phone keeps between transfers; shared by SimPhone.cpp (the transfers) and
// SimPhoneCommands.cpp (the answers to commands).
#pragma once

#include "PhoneFolder.h"
#include "SimBytes.h"
#include "SimPhone.h"

#include <chrono>

namespace p2kusb {

struct SimAnswer {
    bool ok = true;
    Bytes data;
    bool silent = false; // the command is taken but never answered
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
    SimAnswer answer(std::uint16_t command, SimReader& args);
    SimAnswer fileSystem(SimReader& args);
    SimAnswer openFile(SimReader& args);
    SimAnswer readFile(SimReader& args);
    SimAnswer writeFile(SimReader& args);
    SimAnswer seekFile(SimReader& args);
    SimAnswer deleteFile(SimReader& args);
    SimAnswer search(SimReader& args);
    SimAnswer listNext(SimReader& args);
    SimAnswer freeSpace(SimReader& args);
    SimAnswer volumes();
    SimAnswer seemRead(SimReader& args);
    SimAnswer seemWrite(SimReader& args);
    void dropSession();
};

} // namespace p2kusb
