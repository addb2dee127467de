// The commands the library sends, framed as P2K messages. Only the commands below exist here:
// there is no way to build a message from a raw command number, so the phone's flash-mode
// command (which would leave it waiting for new firmware) can never be sent.
#pragma once

#include "PhonePort.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace p2kusb {

enum class Command : std::uint16_t {
    SeemRead = 0x0020,
    Restart = 0x0022,
    SeemWrite = 0x002F,
    FileSystem = 0x004A,
};

enum class FileOp : std::uint32_t {
    Open = 0,
    Read = 1,
    Write = 2,
    Seek = 3,
    Close = 4,
    Delete = 5,
    Search = 7,
    ListNext = 8,
    Volumes = 0x0A,
    FreeSpace = 0x0B,
};

// The most a file read or write moves in one message.
constexpr std::size_t kMaxFileChunk = 0x400;
// A message's argument length is 16 bits; a seem write spends 8 of them on its address.
constexpr std::size_t kMaxSeemBytes = 0xFFFF - 8;
// Records asked for by one list-next.
constexpr std::uint8_t kListBatch = 3;
// Ids are 12 bits wide; replies carry the id with bit 15 set.
constexpr std::uint16_t kIdMask = 0x0FFF;
constexpr std::uint16_t kReplyBit = 0x8000;
constexpr std::size_t kHeaderSize = 8;
// A listed phone record holds a path of 260 bytes with its NUL; longer paths are not sent.
constexpr std::size_t kMaxPhonePathBytes = 259;

// Two layouts of a free-space query are known: a zero word before the volume name, 256 argument
// bytes in all (the one the host tools send first), and the volume name alone, zero-padded to 512
// bytes. A phone takes one of them.
enum class VolumeField { AfterZeroWord, Plain };

// How long a command may keep the phone busy before its reply: most answer at once, but writing
// to the phone's flash (a chunk, a close, a delete of a large file, a seem record) may take
// seconds.
enum class Pace { Quick, Slow };

// One command with its arguments, made only by the named constructors below.
class Request {
public:
    // Paths go as 8-bit bytes without a NUL; nothing for an empty path or one longer than
    // kMaxPhonePathBytes.
    static std::optional<Request> fileOpen(std::string_view path, std::uint32_t attributes);
    // Nothing when n is 0 or more than kMaxFileChunk.
    static std::optional<Request> fileRead(std::uint32_t n);
    static std::optional<Request> fileWrite(const std::uint8_t* data, std::size_t n);
    static Request fileSeek(std::uint32_t offset, std::uint8_t whence);
    static Request fileClose();
    static std::optional<Request> fileDelete(std::string_view path);
    // Starts a listing of every file below folder (8-bit, e.g. "/a/"), recursively. The pattern
    // ends with a zero word, so a phone that reads it up to a NUL stops there.
    static Request search(std::string_view folder);
    // The same for the files named `name` below folder (no wildcard): how a file is found without
    // opening it, since an open creates a missing file.
    static Request search(std::string_view folder, std::string_view name);
    static Request listNext(std::uint8_t n);
    // The phone's volumes ("/a", "/c", ...).
    static Request volumes();
    static std::optional<Request> freeSpace(std::string_view volume, VolumeField field);
    // count 0 reads the whole record.
    static Request seemRead(std::uint16_t seem, std::uint16_t record, std::uint16_t offset,
                            std::uint16_t count);
    static std::optional<Request> seemWrite(std::uint16_t seem, std::uint16_t record,
                                            std::uint16_t offset, const Bytes& data);
    static Request restart();

    Command command() const { return command_; }
    Pace pace() const;
    const Bytes& arguments() const { return arguments_; }
    // The message for the phone: id, command, argument length, a zero word, the arguments.
    Bytes frame(std::uint16_t id) const;

private:
    Request(Command command, Bytes arguments) : command_(command), arguments_(std::move(arguments))
    {
    }
    static Request fileCommand(FileOp op, Bytes arguments);

    Command command_;
    Bytes arguments_;
};

// 8-bit phone text (Windows-1251, made reversible) as UCS-2 big-endian: every byte has a letter.
Bytes toUcs2(std::string_view text);

} // namespace p2kusb
