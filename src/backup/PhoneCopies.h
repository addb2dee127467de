#pragma once
#include "base/LocalFile.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

namespace zandrel {

// The phone file at path through File_Fetch into a file that lives in memory, so that a failure
// is the phone's and never the disk's. Returns the library's result: the size, or a negative
// number (file then holds nothing).
int32_t fetchToMemoryFile(PhoneLink& phone, const std::string& path, FileDescriptor& file);

// The same, into `bytes`.
int32_t fetchToMemory(PhoneLink& phone, const std::string& path, std::string& bytes);

// Writes bytes to the phone file at path (File_Create, File_Write, File_Close, all three called
// whatever the first returns so the library is never left with a file open) and, where the
// library can fetch, reads it back. Returns 0 when the phone holds exactly these bytes, else the
// first negative result, or kDiffers.
int32_t sendAndVerify(PhoneLink& phone, const std::string& path, const std::string& bytes);
inline constexpr int32_t kDiffers = INT32_MIN;

// Whether the phone lists a path now, from one listing made the first time it is asked: what
// tells a file deleted since the last read from a file the phone would not give.
class PhoneListing {
public:
    // A phone with more files than this is not listed: the records alone would take 32 MB.
    static constexpr int32_t kLargestListing = 65536;

    explicit PhoneListing(PhoneLink& phone) : phone_(phone) {}
    // Nothing when the phone could not be listed.
    std::optional<bool> holds(const std::string& path);
    // The phone now holds path: a restore of many files lists the phone once, not per file.
    void wrote(const std::string& path)
    {
        if (known_)
            paths_.insert(path);
    }
    // What the phone holds is not known: the next question lists it again.
    void forget() { asked_ = false; }

private:
    PhoneLink& phone_;
    bool asked_ = false;
    bool known_ = false;
    std::unordered_set<std::string> paths_;
};

} // namespace zandrel
