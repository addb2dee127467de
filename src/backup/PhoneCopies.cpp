#include "backup/PhoneCopies.h"

#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace zandrel {

int32_t fetchToMemoryFile(PhoneLink& phone, const std::string& path, FileDescriptor& file)
{
    file = FileDescriptor(::memfd_create("zandrel-fetch", MFD_CLOEXEC));
    if (file.get() < 0)
        return PhoneLink::kNoFetch;
    const int32_t result = phone.fileFetch(path, file.get());
    if (result < 0)
        file = FileDescriptor();
    return result;
}

int32_t fetchToMemory(PhoneLink& phone, const std::string& path, std::string& bytes)
{
    bytes.clear();
    FileDescriptor file;
    const int32_t result = fetchToMemoryFile(phone, path, file);
    if (result < 0)
        return result;
    bytes.resize(static_cast<std::size_t>(result));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pread(file.get(), bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n <= 0) {
            bytes.clear();
            return PhoneLink::kNoFetch;
        }
        done += static_cast<std::size_t>(n);
    }
    return result;
}

int32_t sendAndVerify(PhoneLink& phone, const std::string& path, const std::string& bytes)
{
    const auto size = static_cast<int32_t>(bytes.size());
    const int32_t created = phone.fileCreate(path, 4);
    // The library is handed size + 1 bytes, as an upload does; std::string keeps the zero.
    const int32_t written = created < 0 ? 0 : phone.fileWrite(bytes.c_str(), size, size - 1);
    const int32_t closed = created < 0 ? 0 : phone.fileClose();
    for (const int32_t result : {created, written, closed})
        if (result < 0)
            return result;
    if (!phone.canFetch())
        return 0;
    std::string back;
    const int32_t fetched = fetchToMemory(phone, path, back);
    if (fetched < 0)
        return fetched;
    return back == bytes ? 0 : kDiffers;
}

std::optional<bool> PhoneListing::holds(const std::string& path)
{
    if (!asked_) {
        asked_ = true;
        known_ = false;
        paths_.clear();
        const int32_t count = phone_.fileCount();
        if (count >= 0 && count <= kLargestListing) {
            std::vector<unsigned char> records(static_cast<std::size_t>(count) * kFileRecordSize);
            // Records the library leaves untouched stay zero: no name.
            known_ = phone_.fileList(count ? records.data() : nullptr, count) >= 0;
            for (int32_t i = 0; known_ && i < count; ++i)
                paths_.emplace(recordName(records.data() + std::size_t(i) * kFileRecordSize));
        }
    }
    if (!known_)
        return std::nullopt;
    return paths_.count(path) != 0;
}

} // namespace zandrel
