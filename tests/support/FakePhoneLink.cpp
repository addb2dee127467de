#include "FakePhoneLink.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zandrel {

bool FakePhoneLink::enter(std::string line)
{
    calls.push_back(std::move(line));
    if (dropConnectionAfter && calls.size() > *dropConnectionAfter)
        status = 0;
    if (onCall)
        onCall(calls.back());
    return !(failCall && calls.size() == *failCall) && !(failFrom && calls.size() >= *failFrom);
}

int32_t FakePhoneLink::init() { return enter("P2K_Init") ? 0 : failResult; }

int32_t FakePhoneLink::getStatus()
{
    // The status is read after the call is counted, so a drop takes effect on this call.
    const bool ok = enter("P2K_GetStatus");
    return ok ? status : failResult;
}

int32_t FakePhoneLink::restart() { return enter("P2K_Restart") ? 0 : failResult; }

int32_t FakePhoneLink::fileCount()
{
    if (!enter("File_Count"))
        return failResult;
    return countOverride ? *countOverride : static_cast<int32_t>(files.size());
}

int32_t FakePhoneLink::fileList(void* records, int32_t count)
{
    if (!enter("File_List " + std::to_string(count)))
        return failResult;
    auto* out = static_cast<unsigned char*>(records);
    const std::size_t filled = std::min<std::size_t>(files.size(), count < 0 ? 0 : count);
    for (std::size_t i = 0; i < filled; ++i) {
        unsigned char* record = out + i * kFileRecordSize;
        const std::string& path = files[i];
        const std::uint32_t size = static_cast<std::uint32_t>(path.size());
        std::memcpy(record, &size, sizeof size);
        std::memcpy(record + kRecordNameOffset, path.data(),
                    std::min(path.size(), kRecordNameSize));
    }
    return 0;
}

int32_t FakePhoneLink::fileFetch(const std::string& path, int32_t fd)
{
    if (!fetchable)
        return kNoFetch;
    if (!enter("File_Fetch " + std::string(path.c_str())))
        return -1;
    const auto found = fetchable->find(path);
    if (found == fetchable->end())
        return -1;
    const std::string& bytes = found->second;
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    return written == static_cast<ssize_t>(bytes.size()) ? static_cast<int32_t>(written) : -1;
}

int32_t FakePhoneLink::volInfo(int32_t* info)
{
    volInfoAddresses.push_back(info);
    return enter("File_VolInfo") ? freeBytes : failResult;
}

namespace {
// A NUL-terminated text ends at its first NUL byte, whatever the caller meant.
std::string asLibrarySees(const std::string& path) { return path.substr(0, path.find('\0')); }
} // namespace

int32_t FakePhoneLink::fileDelete(const std::string& path)
{
    const std::string seen = asLibrarySees(path);
    if (!enter("File_Delete " + seen))
        return failResult;
    files.erase(std::remove(files.begin(), files.end(), seen), files.end());
    return 0;
}

int32_t FakePhoneLink::fileCreate(const std::string& path, int32_t mode)
{
    return enter("File_Create " + asLibrarySees(path) + " " + std::to_string(mode)) ? 0
                                                                                    : failResult;
}

int32_t FakePhoneLink::fileWrite(const void* data, int32_t size, int32_t last)
{
    if (!enter("File_Write " + std::to_string(size) + " " + std::to_string(last)))
        return failResult;
    if (size >= 0)
        writtenBuffers.emplace_back(static_cast<const char*>(data),
                                    static_cast<std::size_t>(size) + 1);
    return 0;
}

int32_t FakePhoneLink::fileClose() { return enter("File_Close") ? 0 : failResult; }

int32_t FakePhoneLink::seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file)
{
    if (!enter("Seem_Write " + std::to_string(seem) + " " + std::to_string(record) + " " +
               std::to_string(a) + " " + std::to_string(b)))
        return failResult;
    int fd = -1;
    std::memcpy(&fd, file, sizeof fd);
    seemAccessModes.push_back(::fcntl(fd, F_GETFL) & O_ACCMODE);
    std::string bytes;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;)
        bytes.append(chunk, static_cast<std::size_t>(n));
    seemData.push_back(std::move(bytes));
    return seemResult;
}

std::vector<std::string> FakePhoneLink::callsOf(const std::string& prefix) const
{
    std::vector<std::string> out;
    for (const auto& call : calls)
        if (call.rfind(prefix, 0) == 0)
            out.push_back(call);
    return out;
}

} // namespace zandrel
