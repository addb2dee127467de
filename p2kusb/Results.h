#pragma once
#include <cstdint>
#include <utility>
#include <variant>

// Results of the real phone's calls. A call that works returns 0 (or a count, or a number of
// bytes); every failure is one of these negative numbers (README.md lists when each comes).
namespace p2kusb {

enum Result : std::int32_t {
    kOk = 0,
    kNotInitialised = -1, // P2K_Init has not run
    kBadArgument = -2,    // NULL where data is needed, a negative size, a bad descriptor
    kBadPath = -3,        // a phone path the library will not send
    kNotConnected = -4,   // no phone in P2K mode, or it went away during the call
    kOutOfOrder = -5,     // File_Write/File_Close with no open file, File_Create with one open
    kTimeout = -6,        // the phone did not answer in time
    kBadReply = -7,       // a reply that does not parse, or does not belong to the command
    kRefused = -8,        // the phone answered that the command failed
    kHostError = -9,      // the computer failed: a local file, the seem backup
    kVerifyFailed = -10,  // what was read back differs from what was written
    kLengthDiffers = -11, // a seem write whose length is not the record's
    kUsbError = -12,      // the USB transfer failed for another reason
};

const char* resultName(std::int32_t result);

// A value, or the Result that says why there is none.
template <typename T> class Outcome {
public:
    Outcome(T value) : state_(std::move(value)) {}
    Outcome(Result error) : state_(error) {}

    bool ok() const { return state_.index() == 0; }
    const T& value() const { return std::get<0>(state_); }
    T& value() { return std::get<0>(state_); }
    Result error() const { return ok() ? kOk : std::get<1>(state_); }

private:
    std::variant<T, Result> state_;
};

} // namespace p2kusb
