#pragma once
#include <cstdint>

// Results of the emulated phone-link calls. A call that works returns 0 (or a count, or a number
// of bytes); every failure is one of these negative numbers, and the journal names it.
namespace p2kemu {

enum Result : int32_t {
    kOk = 0,
    kNotInitialised = -1, // P2K_Init has not run, or its phone folder could not be made
    kBadArgument = -2,    // NULL where data is needed, a negative size, a bad descriptor
    kBadPath = -3,        // a phone path the emulator refuses (see PhonePath.h)
    kNotConnected = -4,   // phone.ini says unplugged, or the phone is restarting
    kOutOfOrder = -5,     // File_Write/File_Close with no open file, File_Create with one open
    kNotFound = -6,       // no such phone file
    kPhoneFull = -7,      // the data would not fit in the phone's capacity
    kHostError = -8,      // the host file system failed; the journal gives the reason
};

inline const char* resultName(int32_t result)
{
    switch (result) {
    case kNotInitialised:
        return "not initialised";
    case kBadArgument:
        return "bad argument";
    case kBadPath:
        return "bad path";
    case kNotConnected:
        return "not connected";
    case kOutOfOrder:
        return "out of order";
    case kNotFound:
        return "not found";
    case kPhoneFull:
        return "phone full";
    case kHostError:
        return "host error";
    default:
        return result >= 0 ? "ok" : "error";
    }
}

} // namespace p2kemu
