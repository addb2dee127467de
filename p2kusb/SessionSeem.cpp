// Seem_Write: a phone setting record replaced by a local file's bytes, with a backup first and a
// read-back after, because a wrong record can stop the phone from working.
#include "Session.h"

#include "Messages.h"
#include "SeemFiles.h"

#include <cstring>

namespace p2kusb {

namespace {

bool inWordRange(std::int32_t value) { return value >= 0 && value <= 0xFFFF; }

} // namespace

Outcome<Bytes> Session::readSeem(ControlPipe& pipe, std::uint16_t seem, std::uint16_t record)
{
    auto reply = run(pipe, Request::seemRead(seem, record, 0, 0));
    if (!reply.ok())
        return reply.error();
    return decodeSeemRead(reply.value());
}

Result Session::replaceSeem(ControlPipe& pipe, std::uint16_t seem, std::uint16_t record,
                            const Bytes& bytes)
{
    auto written = run(pipe, *Request::seemWrite(seem, record, 0, bytes));
    if (!written.ok())
        return written.error();
    auto back = readSeem(pipe, seem, record);
    if (!back.ok())
        return back.error();
    return back.value() == bytes ? kOk : kVerifyFailed;
}

// a and b are not sent: the record is always written whole, from its first byte.
std::int32_t Session::seemWrite(std::int32_t seem, std::int32_t record, std::int32_t /*a*/,
                                std::int32_t /*b*/, void* file)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return kNotInitialised;
    int fd = -1;
    if (file)
        std::memcpy(&fd, file, sizeof fd);
    if (!file || !inWordRange(seem) || !inWordRange(record))
        return kBadArgument;
    auto bytes = readLocalFile(fd, kMaxSeemBytes);
    if (!bytes.ok())
        return bytes.error();
    if (bytes.value().empty())
        return kBadArgument;
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    const auto seemId = std::uint16_t(seem);
    const auto recordId = std::uint16_t(record);
    auto current = readSeem(*pipe.value(), seemId, recordId);
    if (!current.ok())
        return current.error();
    // A record of another length is another layout: writing it would garble the phone's setting.
    if (current.value().size() != bytes.value().size())
        return kLengthDiffers;
    if (current.value() == bytes.value())
        return kOk;
    // No backup, no write.
    if (!writeSeemBackup(seemId, recordId, current.value()).ok())
        return kHostError;
    return replaceSeem(*pipe.value(), seemId, recordId, bytes.value());
}

} // namespace p2kusb
