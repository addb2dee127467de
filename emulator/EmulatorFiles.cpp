// The phone's file calls and Seem_Write.
#include "Emulator.h"

#include "EmulatorResults.h"
#include "HostFiles.h"
#include "phonelink/p2kapi.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace p2kemu {

namespace {

constexpr std::size_t kPathOffset = 8;
// Seem records are a few kilobytes; the limit keeps a descriptor such as /dev/zero from
// filling the memory.
constexpr std::size_t kMaxSeemBytes = 1024 * 1024;

std::string pointerText(const void* pointer, const std::string& what)
{
    return pointer ? what : "NULL";
}

std::string skippedText(std::size_t skipped)
{
    if (skipped == 0)
        return {};
    return std::to_string(skipped) + " file(s) under fs/ left out: names the phone cannot hold";
}

void fillRecord(unsigned char* record, const std::string& path, std::uint64_t bytes)
{
    std::memset(record, 0, P2K_RECORD_SIZE);
    auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(bytes, UINT32_MAX));
    for (int i = 0; i < 4; ++i)
        record[i] = static_cast<unsigned char>(size >> (8 * i));
    // Bytes 4..7, the attributes, stay 0: the emulated phone has no hidden or system files.
    // A path of exactly 504 bytes fills the name area without a NUL.
    std::memcpy(record + kPathOffset, path.data(), path.size());
}

} // namespace

std::int32_t Emulator::fileCount()
{
    const std::string callText = "File_Count()";
    if (std::int32_t refused = phoneUnavailable(callText))
        return refused;
    const FileIndex& index = files();
    std::size_t count = index.listableCount();
    return finish(callText, static_cast<std::int32_t>(std::min<std::size_t>(count, INT32_MAX)),
                  skippedText(index.skippedCount()));
}

std::int32_t Emulator::fileList(void* records, std::int32_t count)
{
    const std::string callText =
        "File_List(" + pointerText(records, "buffer") + ", " + std::to_string(count) + ")";
    if (!initialised_)
        return kNotInitialised;
    if (count < 0 || (count > 0 && !records))
        return finish(callText, kBadArgument);
    if (!phoneConnected())
        return finish(callText, kNotConnected);
    const FileIndex& index = files();
    // A count that disagrees with the phone fills what both allow; other records stay untouched.
    std::size_t filled = std::min(index.listableCount(), static_cast<std::size_t>(count));
    auto* record = static_cast<unsigned char*>(records);
    auto file = index.files().begin();
    for (std::size_t i = 0; i < filled; ++file) {
        if (!file->second.listable)
            continue;
        fillRecord(record + i * P2K_RECORD_SIZE, file->first, file->second.size);
        ++i;
    }
    std::string detail = skippedText(index.skippedCount());
    if (index.listableCount() != static_cast<std::size_t>(count))
        detail += (detail.empty() ? "" : "; ") + std::string("the phone has ") +
                  std::to_string(index.listableCount()) + " file(s)";
    return finish(callText, static_cast<std::int32_t>(filled), detail);
}

std::int32_t Emulator::volInfo(std::int32_t* info)
{
    const std::string callText = "File_VolInfo(" + pointerText(info, "&info") + ")";
    if (std::int32_t refused = phoneUnavailable(callText))
        return refused;
    auto free = static_cast<std::int32_t>(std::min<std::uint64_t>(freeBytes(), INT32_MAX));
    if (info)
        *info = free;
    return finish(callText, free, "bytes free");
}

std::int32_t Emulator::fileDelete(const char* path)
{
    const std::string callText = "File_Delete(" + (path ? journalText(path) : "NULL") + ")";
    Segments names;
    if (std::int32_t refused = phoneFileUnavailable(callText, path, names))
        return refused;
    if (int error = folder_.removeFile(names))
        return hostFailure(callText, error);
    return finish(callText, kOk);
}

std::int32_t Emulator::fileCreate(const char* path, std::int32_t mode)
{
    const std::string callText =
        "File_Create(" + (path ? journalText(path) : "NULL") + ", " + std::to_string(mode) + ")";
    Segments names;
    if (std::int32_t refused = phoneFileUnavailable(callText, path, names))
        return refused;
    // One file at a time, as on the phone: the open one stays open and unchanged.
    if (open_)
        return finish(callText, kOutOfOrder, journalText(open_->path) + " is still open");
    if (int error = folder_.checkCreatable(names))
        return hostFailure(callText, error);
    open_ = OpenFile{path, std::move(names), {}};
    return finish(callText, kOk);
}

std::int32_t Emulator::fileWrite(const void* data, std::int32_t size, std::int32_t last)
{
    const std::string callText = "File_Write(" +
                                 pointerText(data, "<" + std::to_string(size) + " bytes>") + ", " +
                                 std::to_string(size) + ", " + std::to_string(last) + ")";
    if (!initialised_)
        return kNotInitialised;
    if (size < 0 || (size > 0 && !data))
        return finish(callText, kBadArgument);
    if (!phoneConnected())
        return finish(callText, kNotConnected);
    if (!open_)
        return finish(callText, kOutOfOrder, "no file is open (File_Create first)");
    // The old file goes when the new one is closed, so its bytes count as free here.
    std::uint64_t room = freeBytes() + folder_.fileSize(open_->names).value_or(0);
    if (open_->bytes.size() + static_cast<std::uint64_t>(size) > room)
        return finish(callText, kPhoneFull, "only " + std::to_string(room) + " bytes fit");
    open_->bytes.append(static_cast<const char*>(data), static_cast<std::size_t>(size));
    return finish(callText, size, "to " + journalText(open_->path));
}

std::int32_t Emulator::fileClose()
{
    const std::string callText = "File_Close()";
    if (std::int32_t refused = phoneUnavailable(callText))
        return refused;
    if (!open_)
        return finish(callText, kOutOfOrder, "no file is open");
    OpenFile file = std::move(*open_);
    open_.reset();
    if (int error = folder_.replaceFile(file.names, file.bytes))
        return hostFailure(callText, error);
    return finish(callText, kOk,
                  journalText(file.path) + " written, " + std::to_string(file.bytes.size()) +
                      " bytes");
}

std::int32_t Emulator::seemWrite(std::int32_t seem, std::int32_t record, std::int32_t a,
                                 std::int32_t b, void* file)
{
    int fd = -1;
    if (file)
        std::memcpy(&fd, file, sizeof fd);
    char head[80];
    std::snprintf(head, sizeof head, "Seem_Write(0x%04X, %d, %d, %d, ", static_cast<unsigned>(seem),
                  record, a, b);
    const std::string callText =
        head + (file ? "fd " + std::to_string(fd) : std::string("NULL")) + ")";
    if (!initialised_)
        return kNotInitialised;
    if (!file || fd < 0)
        return finish(callText, kBadArgument, "no open file");
    if (seem < 0 || seem > 0xFFFF || record < 0 || record > 0xFFFF)
        return finish(callText, kBadArgument, "seem and record run from 0 to 0xFFFF");
    if (!phoneConnected())
        return finish(callText, kNotConnected);
    std::string bytes;
    if (int error = readToEnd(fd, bytes, kMaxSeemBytes + 1))
        return finish(callText, error == EBADF ? kBadArgument : kHostError,
                      "reading fd " + std::to_string(fd) + ": " + std::strerror(error));
    if (bytes.size() > kMaxSeemBytes)
        return finish(callText, kBadArgument,
                      "a seem record holds at most " + std::to_string(kMaxSeemBytes) + " bytes");
    char name[32];
    std::snprintf(name, sizeof name, "%04x_%04x.seem", static_cast<unsigned>(seem),
                  static_cast<unsigned>(record));
    if (int error = folder_.writeSeem(name, bytes))
        return hostFailure(callText, error);
    return finish(callText, kOk,
                  "seem/" + std::string(name) + ", " + std::to_string(bytes.size()) + " bytes");
}

} // namespace p2kemu
