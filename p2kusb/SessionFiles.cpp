// The calls on one phone file: File_Delete, File_Create, File_Write, File_Close and File_Fetch.
// The phone holds one open file; every open is matched by a close, here or, after a failure, before
// the next command that needs the phone's open file.
#include "Session.h"

#include "Messages.h"
#include "SeemFiles.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

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

// The folder part of a path with its slash ("/a/b/" of "/a/b/c"), and the name after it.
std::pair<std::string_view, std::string_view> splitPath(std::string_view path)
{
    auto slash = path.rfind('/');
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool isRegularFile(int fd)
{
    struct stat info {};
    return fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// A phone that is gone or silent would only make the failing call wait longer.
bool stillListening(Result why) { return why != kNotConnected && why != kTimeout; }

} // namespace

Result Session::openPhoneFile(ControlPipe& pipe, const Request& open)
{
    if (Result stray = closeStrayFile(pipe))
        return stray;
    // An open that timed out may still have opened the file.
    connection_.strayFile = true;
    auto reply = run(pipe, open);
    if (!reply.ok() && reply.error() != kTimeout)
        connection_.strayFile = false;
    return reply.ok() ? kOk : reply.error();
}

Result Session::closePhoneFile(ControlPipe& pipe)
{
    auto reply = run(pipe, Request::fileClose());
    // A refused close leaves nothing open either: the phone had no file open.
    connection_.strayFile = !reply.ok() && reply.error() != kRefused;
    return reply.ok() ? kOk : reply.error();
}

Result Session::closeStrayFile(ControlPipe& pipe)
{
    if (!connection_.strayFile)
        return kOk;
    exchange_.log().note("closing a file a failed call may have left open");
    Result closed = closePhoneFile(pipe);
    return closed == kNotConnected ? closed : kOk;
}

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
    // The phone refuses to delete its open file; during an upload that is ours to keep.
    if (!upload_) {
        if (Result stray = closeStrayFile(*pipe.value()))
            return stray;
    }
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
    if (Result failed = openPhoneFile(*pipe.value(), *request))
        return failed;
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
    connection_.strayFile = true;
    if (upload_ && stillListening(why))
        (void)closePhoneFile(*upload_->pipe);
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

Outcome<Bytes> Session::readOpenFile(ControlPipe& pipe, std::size_t expected)
{
    Bytes back;
    while (back.size() <= expected) {
        std::size_t want = std::min(kMaxFileChunk, expected + 1 - back.size());
        auto reply = run(pipe, *Request::fileRead(std::uint32_t(want)));
        // A phone may refuse a read at the end of the file rather than return nothing.
        if (!reply.ok() && reply.error() == kRefused && back.size() == expected)
            break;
        if (!reply.ok())
            return reply.error();
        if (reply.value().size() > want)
            return kBadReply;
        back.insert(back.end(), reply.value().begin(), reply.value().end());
        if (reply.value().size() < want)
            break;
    }
    return back;
}

Result Session::verifyUpload(ControlPipe& pipe, const Bytes& written)
{
    auto rewound = run(pipe, Request::fileSeek(0, kFromStart));
    if (!rewound.ok())
        return rewound.error();
    // One byte more than was written is asked for, so that old bytes left behind by a phone that
    // does not shorten a file on open are noticed too.
    auto back = readOpenFile(pipe, written.size());
    if (!back.ok())
        return back.error();
    return back.value() == written ? kOk : kVerifyFailed;
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
    connection_.strayFile = true;
    Result closed = stillListening(verified) ? closePhoneFile(*pipe.value()) : verified;
    return verified != kOk ? verified : closed;
}

Outcome<PhoneRecord> Session::findFile(ControlPipe& pipe, std::string_view path)
{
    auto [folder, name] = splitPath(path);
    // The name as the pattern finds the file in one step; a phone that takes only wildcards
    // lists the whole folder.
    for (std::string_view pattern : {name, std::string_view("*")}) {
        std::vector<PhoneRecord> found;
        std::size_t unusable = 0;
        if (Result failed = listMatches(pipe, Request::search(folder, pattern), found, unusable))
            return failed;
        // The search goes into subfolders too: only the file at exactly this path counts.
        auto match = std::find_if(found.begin(), found.end(), [path](const PhoneRecord& record) {
            return record.path == path;
        });
        if (match != found.end())
            return std::move(*match);
    }
    return kRefused;
}

// Never changes the phone: the file is looked up first, because an open creates a missing one.
std::int32_t Session::fileFetch(const char* path, std::int32_t fd)
{
    std::lock_guard lock(mutex_);
    if (!initialised_)
        return kNotInitialised;
    auto text = sendablePath(path);
    auto open = text ? Request::fileOpen(*text, kPlainFile) : std::nullopt;
    if (!open)
        return kBadPath;
    if (!isRegularFile(fd))
        return kBadArgument;
    auto pipe = reachPhone();
    if (!pipe.ok())
        return pipe.error();
    if (upload_)
        return kOutOfOrder;
    if (Result stray = closeStrayFile(*pipe.value()))
        return stray;
    auto listed = findFile(*pipe.value(), *text);
    if (!listed.ok())
        return listed.error();
    // Its size must fit the result.
    if (listed.value().size > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        return kBadReply;
    if (Result failed = openPhoneFile(*pipe.value(), *open))
        return failed;
    auto bytes = readOpenFile(*pipe.value(), listed.value().size);
    Result read = bytes.ok() ? kOk : bytes.error();
    Result closed = stillListening(read) ? closePhoneFile(*pipe.value()) : read;
    if (read != kOk)
        return read;
    if (closed != kOk)
        return closed;
    // The file grew since it was listed: what was read is not the whole of it.
    if (bytes.value().size() > listed.value().size)
        return kBadReply;
    if (!writeAll(fd, bytes.value()))
        return kHostError;
    return std::int32_t(bytes.value().size());
}

} // namespace p2kusb
