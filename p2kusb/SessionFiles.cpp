// The calls on one phone file: File_Delete, and File_Create, File_Write, File_Close.
#include "Session.h"

#include "Messages.h"

#include <algorithm>
#include <cstring>

namespace p2kusb {

namespace {

// Attributes of a plain file; File_Create's mode is not an attribute and is not sent.
constexpr std::uint32_t kPlainFile = 0;
constexpr std::uint8_t kFromStart = 0;

// The path as it goes to the phone: absolute, no control bytes; Request refuses empty and
// overlong ones.
std::optional<std::string_view> sendablePath(const char* path)
{
    if (!path || path[0] != '/')
        return std::nullopt;
    std::string_view text(path);
    if (std::any_of(text.begin(), text.end(),
                    [](unsigned char c) { return c < 0x20 || c == 0x7F; }))
        return std::nullopt;
    return text;
}

} // namespace

std::int32_t Session::fileDelete(const char* path)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return kNotInitialised;
    auto text = sendablePath(path);
    auto request = text ? Request::fileDelete(*text) : std::nullopt;
    if (!request)
        return kBadPath;
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    auto reply = run(*pipe.value(), *request);
    return reply.ok() ? kOk : reply.error();
}

std::int32_t Session::fileCreate(const char* path, std::int32_t /*mode*/)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return kNotInitialised;
    auto text = sendablePath(path);
    auto request = text ? Request::fileOpen(*text, kPlainFile) : std::nullopt;
    if (!request)
        return kBadPath;
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    // The phone holds one open file; the one already open stays open.
    if (upload_)
        return kOutOfOrder;
    auto reply = run(*pipe.value(), *request);
    if (!reply.ok())
        return reply.error();
    upload_ = Upload{pipe.value(), {}};
    return kOk;
}

Result Session::writeChunks(ControlPipe& pipe, const std::uint8_t* data, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        std::size_t chunk = std::min(kMaxFileChunk, size - done);
        auto reply = run(pipe, *Request::fileWrite(data + done, chunk));
        if (!reply.ok())
            return reply.error();
        done += chunk;
    }
    return kOk;
}

void Session::abandonUpload(Result why)
{
    // A phone that is gone or silent would only make the failing call wait longer.
    if (upload_ && why != kNotConnected && why != kTimeout)
        (void)run(*upload_->pipe, Request::fileClose());
    upload_.reset();
}

std::int32_t Session::fileWrite(const void* data, std::int32_t size, std::int32_t /*last*/)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return kNotInitialised;
    if (size < 0 || (size > 0 && !data))
        return kBadArgument;
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    if (!upload_)
        return kOutOfOrder;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // A chunk that failed leaves the phone file with unknown content; the upload ends there.
    if (Result failed = writeChunks(*pipe.value(), bytes, std::size_t(size))) {
        abandonUpload(failed);
        return failed;
    }
    upload_->written.insert(upload_->written.end(), bytes, bytes + size);
    return size;
}

Result Session::verifyUpload(ControlPipe& pipe, const Bytes& written)
{
    auto rewound = run(pipe, Request::fileSeek(0, kFromStart));
    if (!rewound.ok())
        return rewound.error();
    // One byte more than was written is asked for, so that old bytes left behind by a phone that
    // does not shorten a file on open are noticed too.
    Bytes back;
    while (back.size() <= written.size()) {
        std::size_t want = std::min(kMaxFileChunk, written.size() + 1 - back.size());
        auto reply = run(pipe, *Request::fileRead(std::uint32_t(want)));
        // A phone may refuse a read at the end of the file rather than return nothing.
        if (!reply.ok() && reply.error() == kRefused && back.size() == written.size())
            break;
        if (!reply.ok())
            return reply.error();
        if (reply.value().size() > want)
            return kBadReply;
        back.insert(back.end(), reply.value().begin(), reply.value().end());
        if (reply.value().size() < want)
            break;
    }
    return back == written ? kOk : kVerifyFailed;
}

std::int32_t Session::fileClose()
{
    std::lock_guard lock(mutex_);
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    if (!upload_)
        return kOutOfOrder;
    Upload upload = std::move(*upload_);
    upload_.reset();
    Result verified = verifyUpload(*pipe.value(), upload.written);
    // The file is closed whatever the check found, so the phone can open another.
    auto closed = verified == kNotConnected || verified == kTimeout
                      ? Outcome<Bytes>(verified)
                      : run(*pipe.value(), Request::fileClose());
    if (verified != kOk)
        return verified;
    return closed.ok() ? kOk : closed.error();
}

} // namespace p2kusb
