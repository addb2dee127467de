#pragma once
#include "phonelink/p2kapi.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zandrel {

// One phone file's record as the library fills it.
inline constexpr std::size_t kFileRecordSize = P2K_RECORD_SIZE;
inline constexpr std::size_t kRecordNameOffset = P2K_RECORD_PATH_OFFSET;
inline constexpr std::size_t kRecordNameSize = P2K_RECORD_PATH_MAX;

// The name area of one record: bytes 8.. up to the first NUL, at most 504 bytes.
inline std::string_view recordName(const unsigned char* record)
{
    const char* name = reinterpret_cast<const char*>(record + kRecordNameOffset);
    const void* nul = std::memchr(name, '\0', kRecordNameSize);
    const std::size_t length =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - name) : kRecordNameSize;
    return std::string_view(name, length);
}

// The file's size that a library with File_Fetch puts in bytes 0-3, little-endian; without
// File_Fetch the bytes mean nothing.
inline std::uint32_t recordFileSize(const unsigned char* record)
{
    return std::uint32_t{record[0]} | std::uint32_t{record[1]} << 8 |
           std::uint32_t{record[2]} << 16 | std::uint32_t{record[3]} << 24;
}

// The eleven operations of the phone-link library. The program logic talks to this interface
// so that it runs against the real library, the emulator or a test fake alike.
class PhoneLink {
public:
    virtual ~PhoneLink() = default;

    // P2K_Init with a notification procedure that does nothing.
    virtual int32_t init() = 0;
    virtual int32_t getStatus() = 0; // kStatusConnected, or not connected
    virtual int32_t restart() = 0;
    virtual int32_t fileCount() = 0;
    // records: count * kFileRecordSize bytes, or nullptr when count is 0.
    virtual int32_t fileList(void* records, int32_t count) = 0;
    virtual int32_t volInfo(int32_t* info) = 0;
    // The empty path is passed to the library as NULL. A path the library cannot take as it
    // stands (see libraryTakes) never reaches it: the call gives kPathRefused.
    virtual int32_t fileDelete(const std::string& path) = 0;
    virtual int32_t fileCreate(const std::string& path, int32_t mode) = 0;
    virtual int32_t fileWrite(const void* data, int32_t size, int32_t last) = 0;
    virtual int32_t fileClose() = 0;
    // file: the program's variable for the open local file; its first 4 bytes hold the fd.
    virtual int32_t seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file) = 0;

    // The library's optional File_Fetch: whether it has one, and the call itself, which copies the
    // whole phone file into the open local descriptor fd and returns the bytes written or a
    // negative result. Without one, fileFetch gives kNoFetch and touches nothing.
    virtual bool canFetch() { return false; }
    virtual int32_t fileFetch(const std::string& path, int32_t fd);

    // The kind of phone behind the library: kEmulatorKind for our emulator, whose made-up files
    // must never meet a real phone's, else kRealPhoneKind. Known since the library was loaded.
    virtual std::string phoneKind() { return kRealPhoneKind; }
    static constexpr const char* kRealPhoneKind = "usb";
    static constexpr const char* kEmulatorKind = "emulator";
    // The kind a library reports, as the program uses it: a word of 1 to 32 lowercase letters,
    // digits or '-', since it names folders and fills a field of the trash's index. Anything
    // else (no answer included) counts as a real phone, the kind that is never given demo files.
    static std::string kindFromLibrary(const char* reported);

    // P2K_GetStatus's one answer that means a phone is there; any other value means none is.
    static constexpr int32_t kStatusConnected = 1;
    bool isConnected() { return getStatus() == kStatusConnected; }

    // The result of a call whose path never reached the library.
    static constexpr int32_t kPathRefused = -1;
    // fileFetch's result when the library has no File_Fetch.
    static constexpr int32_t kNoFetch = -1;
    // The library takes a path as a NUL-terminated text: a path holding a NUL byte would reach
    // it cut at that byte, naming another file.
    static bool libraryTakes(std::string_view path) { return path.find('\0') == path.npos; }
};

inline int32_t PhoneLink::fileFetch(const std::string&, int32_t) { return kNoFetch; }

inline std::string PhoneLink::kindFromLibrary(const char* reported)
{
    if (!reported)
        return kRealPhoneKind;
    const std::string_view kind(reported, ::strnlen(reported, 33));
    const bool word = !kind.empty() && kind.size() <= 32 &&
                      kind.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") == kind.npos;
    return word ? std::string(kind) : std::string(kRealPhoneKind);
}

} // namespace zandrel
