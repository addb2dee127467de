#pragma once
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zandrel {

// A phone in memory that records every call, in order, as one line of text:
//   "P2K_Init", "P2K_GetStatus", "P2K_Restart", "File_Count", "File_List 3", "File_VolInfo",
//   "File_Delete /a/x" (the empty path as "File_Delete "), "File_Create /a/x 4",
// paths as the library would see them, cut at their first NUL byte,
//   "File_Write 5 4", "File_Close", "Seem_Write 76 1 0 0", "File_Fetch /a/x".
// It can be told to fail the N-th call, to report a count that disagrees with its list, or to
// drop the connection after N calls.
class FakePhoneLink final : public PhoneLink {
public:
    // What the phone holds and answers.
    std::vector<std::string> files;       // File_List fills one record per path, in order
    std::optional<int32_t> countOverride; // File_Count answers this instead of files.size()
    int32_t status = 1;
    int32_t freeBytes = 0;
    // Calls counted from 1; the call with this number returns failResult and does nothing else.
    std::optional<std::size_t> failCall;
    // The call with this number and every later one fail so: a phone pulled out midway.
    std::optional<std::size_t> failFrom;
    int32_t failResult = -1;
    // After this many calls the phone reports status 0.
    std::optional<std::size_t> dropConnectionAfter;
    // Runs inside every call, once the call is recorded: a test's way to act (or throw) while
    // the program waits in the library. Under the main window it runs on the phone thread.
    std::function<void(const std::string& call)> onCall;

    // What the phone was given.
    std::vector<std::string> calls;
    std::vector<std::string> writtenBuffers; // File_Write: size + 1 bytes (data and the zero)
    std::vector<std::string> seemData;       // Seem_Write: every byte read from the handed fd
    std::vector<int> seemAccessModes;        // Seem_Write: the handed fd's O_RDONLY, O_RDWR...
    // Seem_Write's result once it has read the file; a test's way to make the library refuse.
    int32_t seemResult = 0;
    std::vector<int32_t*> volInfoAddresses;
    // File_Fetch: present only when set; answers each path's bytes, a path it lacks with -1.
    std::optional<std::map<std::string, std::string>> fetchable;
    // What P2K_PhoneKind would answer.
    std::string kind = kRealPhoneKind;

    int32_t init() override;
    int32_t getStatus() override;
    int32_t restart() override;
    int32_t fileCount() override;
    int32_t fileList(void* records, int32_t count) override;
    int32_t volInfo(int32_t* info) override;
    int32_t fileDelete(const std::string& path) override;
    int32_t fileCreate(const std::string& path, int32_t mode) override;
    int32_t fileWrite(const void* data, int32_t size, int32_t last) override;
    int32_t fileClose() override;
    int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) override;
    bool canFetch() override { return fetchable.has_value(); }
    std::string phoneKind() override { return kind; }
    int32_t fileFetch(const std::string& path, int32_t fd) override;

    // Only the calls that start with `prefix`, such as "File_Delete".
    std::vector<std::string> callsOf(const std::string& prefix) const;

private:
    // Records the call; false when this call is the one told to fail.
    bool enter(std::string line);
};

} // namespace zandrel
