#include "sweep/CleanListFile.h"

#include "base/AtomicWrite.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zandrel {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kExtension = ".df";
constexpr char kEndOfFile = 0x1A;
constexpr std::string_view kLineBreakBytes = "\r\n\x1A";

// A clean-list file ends at byte 0x1A and drops every CR that does not end a line; text typed
// into the viewer keeps both as bytes of its lines.
enum class LineSource { File, Viewer };

// The first CR, LF or 0x1A in [from, end), or end: the bytes that end a clean-list line or file.
// One scan finds them all, sixteen bytes at a time where the processor has SSE2 (every x86-64
// does).
const char* findLineBreakByte(const char* from, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i eof = _mm_set1_epi8(kEndOfFile);
    const auto marksAt = [&](const char* at) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                         _mm_cmpeq_epi8(bytes, eof));
        return static_cast<unsigned>(_mm_movemask_epi8(hits));
    };
    if (end - from >= 16) {
        for (; end - from >= 16; from += 16)
            if (const unsigned marks = marksAt(from))
                return from + std::countr_zero(marks);
        // The last block overlaps bytes already looked at, which hold no break.
        if (from != end) {
            const unsigned marks = marksAt(end - 16);
            return marks != 0 ? end - 16 + std::countr_zero(marks) : end;
        }
        return end;
    }
#endif
    while (from != end && *from != '\r' && *from != '\n' && *from != kEndOfFile)
        ++from;
    return from;
}

// Moves the bytes of [from, end) down to `out`, which never lies past `from`, up to the first CR,
// LF or 0x1A; returns where that byte is (or end) and leaves `out` just past the bytes moved.
// Finding and moving are one pass, sixteen bytes at a time with SSE2, each block stored whole
// where that overwrites only bytes already read: a block without a break, or any block once the
// line ends dropped so far put `out` sixteen bytes or more behind (after eight CR LF lines). The
// bytes a whole block puts past a break are written over by the next line, or lie past the list.
const char* moveUntilLineBreak(char*& out, const char* from, const char* end)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i eof = _mm_set1_epi8(kEndOfFile);
    for (; end - from >= 16; from += 16, out += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const __m128i hits =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)),
                         _mm_cmpeq_epi8(bytes, eof));
        const auto marks = static_cast<unsigned>(_mm_movemask_epi8(hits));
        if (marks == 0 || from - out >= 16) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            if (marks == 0)
                continue;
            const int before = std::countr_zero(marks);
            out += before;
            return from + before;
        }
        const char* const stop = from + std::countr_zero(marks);
        std::memmove(out, from, static_cast<std::size_t>(stop - from));
        out += stop - from;
        return stop;
    }
#endif
    const char* const stop = findLineBreakByte(from, end);
    std::memmove(out, from, static_cast<std::size_t>(stop - from));
    out += stop - from;
    return stop;
}

// Lines split at "\n", in place: each line's bytes move down over the line-end bytes before
// them, so the lines keep the buffer they were read into. A last line without line end counts
// when it has any byte, or a CR that was left out.
PathList splitLines(std::string text, LineSource source)
{
    std::vector<std::size_t> ends;
    char* const base = text.data();
    char* out = base;
    const char* next = base;
    const char* const end = base + text.size();
    bool lineOpen = false;
    while (next != end) {
        const char* stop = moveUntilLineBreak(out, next, end);
        if (stop == end) {
            lineOpen = true;
            break;
        }
        if (*stop == kEndOfFile && source == LineSource::File) {
            // As if the file ended here: the line goes on only if it has bytes or a CR before.
            lineOpen = lineOpen || stop != next;
            break;
        }
        lineOpen = true;
        next = stop + 1;
        if (*stop == kEndOfFile) {
            *out++ = kEndOfFile;
            continue;
        }
        if (*stop == '\r') {
            if (next == end || *next != '\n') {
                // A CR alone: left out of a file's line, kept in the viewer's.
                if (source == LineSource::Viewer)
                    *out++ = '\r';
                continue;
            }
            ++next;
        }
        ends.push_back(static_cast<std::size_t>(out - base));
        lineOpen = false;
    }
    if (lineOpen)
        ends.push_back(static_cast<std::size_t>(out - base));
    return PathList(std::move(text), std::move(ends));
}

// The file's bytes, gathered a buffer at a time for `sink`, so that the list is walked once and
// no copy of the whole file is made. A path longer than the buffer goes to the sink directly.
class LineWriter {
public:
    explicit LineWriter(const ByteSink& sink) : sink_(sink), buffer_(new char[kSize]) {}

    [[nodiscard]] int line(std::string_view path)
    {
        if (path.size() + kLineEnd.size() > kSize - used_) {
            if (const int err = flush())
                return err;
            if (path.size() + kLineEnd.size() > kSize) {
                const int err = sink_(path);
                return err != 0 ? err : sink_(kLineEnd);
            }
        }
        char* out = buffer_.get() + used_;
        std::memcpy(out, path.data(), path.size());
        std::memcpy(out + path.size(), kLineEnd.data(), kLineEnd.size());
        used_ += path.size() + kLineEnd.size();
        return 0;
    }

    [[nodiscard]] int flush()
    {
        const std::size_t used = std::exchange(used_, 0);
        return used == 0 ? 0 : sink_(std::string_view(buffer_.get(), used));
    }

private:
    static constexpr std::size_t kSize = std::size_t{1} << 18;
    const ByteSink& sink_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
};

// `leftOut` counts the paths the format cannot hold.
[[nodiscard]] int writeCleanList(const SweepList& list, bool tickedOnly, std::size_t& leftOut,
                                 const ByteSink& sink)
{
    LineWriter writer(sink);
    leftOut = 0;
    // One scan of the whole list usually shows that no path needs looking at on its own; of a
    // part of it, each path written is looked at.
    const bool mayHoldBreaks = tickedOnly || !cleanListHolds(list.paths().allBytes());
    int err = 0;
    list.paths().forEach([&](std::size_t i, std::string_view path) {
        if (err != 0 || (tickedOnly && !list.ticked(i)))
            return;
        // Written raw, such a path would come back as other paths, or end the list early.
        if (mayHoldBreaks && !cleanListHolds(path)) {
            ++leftOut;
            return;
        }
        err = writer.line(path);
    });
    return err != 0 ? err : writer.flush();
}

std::string leftOutText(std::size_t leftOut)
{
    return std::to_string(leftOut) + (leftOut == 1 ? " path was" : " paths were") +
           " left out of the list: a clean-list line cannot hold CR, LF or byte 1A";
}

void saveSweepList(SweepSession& session, bool tickedOnly)
{
    const std::optional<std::string> chosen = session.prompts.saveFileName();
    if (!chosen)
        return;
    const std::string name = withCleanListExtension(*chosen);
    std::size_t leftOut = 0;
    const int err = writeFileAtomically(name, [&](const ByteSink& sink) {
        return writeCleanList(session.sweep, tickedOnly, leftOut, sink);
    });
    if (err != 0) {
        session.prompts.error(ioErrorText(err, name));
        return;
    }
    if (leftOut > 0)
        session.prompts.warning(leftOutText(leftOut));
}
} // namespace

bool cleanListHolds(std::string_view path)
{
    const char* end = path.data() + path.size();
    return findLineBreakByte(path.data(), end) == end;
}

std::string cleanListBytes(const SweepList& list, bool tickedOnly, std::size_t* leftOut)
{
    std::string bytes;
    std::size_t unheld = 0;
    // This sink never fails.
    (void)writeCleanList(list, tickedOnly, unheld, [&bytes](std::string_view piece) {
        bytes.append(piece);
        return 0;
    });
    if (leftOut)
        *leftOut = unheld;
    return bytes;
}

PathList parseCleanList(std::string bytes)
{
    // Byte 0x1A ends the list; a CR not followed by LF is left out and its line goes on.
    return splitLines(std::move(bytes), LineSource::File);
}

std::string cleanListText(const PathList& lines)
{
    // Every line ends with a line break, so a last empty line survives the way back.
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text.append(lines[i]);
        text.push_back('\n');
    }
    return text;
}

PathList cleanListFromText(std::string text)
{
    // A lone CR typed into the viewer stays part of its line; only a CR LF is a line break.
    return splitLines(std::move(text), LineSource::Viewer);
}

std::string withCleanListExtension(std::string name)
{
    if (!name.ends_with(kExtension))
        name.append(kExtension);
    return name;
}

void SaveList(SweepSession& session) { saveSweepList(session, false); }

void SaveChecked(SweepSession& session) { saveSweepList(session, true); }

bool OpenCleanList(SweepSession& session)
{
    const std::optional<std::string> name = session.prompts.openFileName();
    if (!name)
        return false;
    std::string bytes;
    if (const int err = readWholeFile(*name, bytes, kLargestCleanList)) {
        if (err == kTooLarge)
            session.prompts.localFileError("Clean list larger than 64 MiB: ", *name);
        else
            session.prompts.error(ioErrorText(err, *name));
        return false;
    }
    session.clean = parseCleanList(std::move(bytes));
    return true;
}

} // namespace zandrel
