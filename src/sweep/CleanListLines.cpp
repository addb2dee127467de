#include "sweep/CleanListLines.h"

#include <bit>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zandrel {

namespace {
constexpr char kEndOfFile = 0x1A;
} // namespace

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

namespace {

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

// Where a split of a text has got to: the lines so far lie before `out`, and `next` is the first
// byte not yet read. `lineOpen`: the last line has begun, with a byte or with a CR left out.
struct SplitState {
    char* out;
    const char* next;
    bool lineOpen;
    std::vector<std::size_t> ends;
};

std::vector<std::size_t> splitLinesFrom(std::string& text, SplitState state, LineSource source,
                                        bool blocksDone);

// The rest of a file whose lines hold a CR that ends none: a stop at each such CR would cost a
// line's worth of work, so the lines go sixteen bytes at a time, each block's CRs and LFs dropped
// in one go and each LF ending a line. Blocks go while 32 bytes are left and the lines lie sixteen
// bytes or more behind, so that the stores overwrite only bytes already read; a block that holds
// 0x1A, and the last bytes, go line by line. Not inlined, and the line-by-line loop hands its
// state over only here, so that its own state stays in registers.
[[gnu::noinline]] std::vector<std::size_t> splitFileInBlocks(std::string& text, SplitState state)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i eof = _mm_set1_epi8(kEndOfFile);
    const char* const base = text.data();
    const char* const end = base + text.size();
    // Kept out of `state` while the blocks are stored: a store through a char pointer could
    // change its members as far as the compiler knows, which would read them back each time.
    char* out = state.out;
    const char* next = state.next;
    bool lineOpen = state.lineOpen;
    // Stores the sixteen bytes from the block's `from` on, read from the text again: a copy of
    // the block read at an offset would wait for its own store to land. Bytes past the next break
    // are stored too, and overwritten by the next ones kept.
    const auto storeFrom = [&](int from) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(next + from)));
    };
    for (; end - next >= 32 && next - out >= 16; next += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(next));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, eof)) != 0)
            break;
        const auto lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
        auto breaks = lfs | static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)));
        int from = 0;
        for (; breaks != 0; breaks &= breaks - 1) {
            const int at = std::countr_zero(breaks);
            storeFrom(from);
            out += at - from;
            lineOpen = (lfs >> at & 1U) == 0;
            if (!lineOpen)
                state.ends.push_back(static_cast<std::size_t>(out - base));
            from = at + 1;
        }
        storeFrom(from);
        out += 16 - from;
        lineOpen = lineOpen || from != 16;
    }
    state.out = out;
    state.next = next;
    state.lineOpen = lineOpen;
#endif
    return splitLinesFrom(text, std::move(state), LineSource::File, true);
}

// splitLines from a state on: where each line ends. A file's CR alone hands the rest to the blocks
// unless they have had their turn.
std::vector<std::size_t> splitLinesFrom(std::string& text, SplitState state, LineSource source,
                                        bool blocksDone)
{
    std::vector<std::size_t> ends = std::move(state.ends);
    char* const base = text.data();
    char* out = state.out;
    const char* next = state.next;
    const char* const end = base + text.size();
    bool lineOpen = state.lineOpen;
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
                else if (!blocksDone && next - out >= 16)
                    return splitFileInBlocks(text, {out, next, lineOpen, std::move(ends)});
                continue;
            }
            ++next;
        }
        ends.push_back(static_cast<std::size_t>(out - base));
        lineOpen = false;
    }
    if (lineOpen)
        ends.push_back(static_cast<std::size_t>(out - base));
    return ends;
}

} // namespace

PathList splitLines(std::string text, LineSource source)
{
    std::vector<std::size_t> ends =
        splitLinesFrom(text, {text.data(), text.data(), false, {}}, source, false);
    return PathList(std::move(text), std::move(ends));
}

} // namespace zandrel
