#include "sweep/CleanListFile.h"

#include "base/AtomicWrite.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"
#include "sweep/CleanListLines.h"

#include <cstring>
#include <memory>
#include <optional>
#include <utility>

namespace zandrel {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kExtension = ".df";

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
        session.prompts.warning(MessageTexts::format(session.texts.get(MessageText::PathsLeftOut),
                                                     {std::to_string(leftOut)}));
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
    return name && OpenCleanListFile(session, *name);
}

bool OpenCleanListFile(SweepSession& session, const std::string& name)
{
    std::string bytes;
    if (const int err = readWholeFile(name, bytes, kLargestCleanList)) {
        if (err == kTooLarge)
            session.prompts.localFileError(
                session.texts.get(MessageText::CleanListTooLarge) + ' ', name);
        else
            session.prompts.error(ioErrorText(err, name));
        return false;
    }
    session.clean = parseCleanList(std::move(bytes));
    return true;
}

} // namespace zandrel
