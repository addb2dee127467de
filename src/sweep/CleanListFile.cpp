#include "sweep/CleanListFile.h"

#include "base/AtomicWrite.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <algorithm>
#include <optional>

namespace zandrel {

namespace {
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kExtension = ".df";
constexpr char kEndOfFile = 0x1A;
constexpr std::string_view kLineBreakBytes = "\r\n\x1A";

enum class CarriageReturns { DropAll, DropBeforeLineFeed };

// Lines split at "\n". A last line without line end counts when it has any byte.
PathList splitLines(std::string_view text, CarriageReturns carriageReturns)
{
    PathList lines;
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1,
                  text.size());
    std::string scratch;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        if (carriageReturns == CarriageReturns::DropBeforeLineFeed) {
            if (lf != std::string_view::npos && line.ends_with('\r'))
                line.remove_suffix(1);
        } else if (line.find('\r') != std::string_view::npos) {
            scratch.assign(line);
            scratch.erase(std::remove(scratch.begin(), scratch.end(), '\r'), scratch.end());
            line = scratch;
        }
        lines.push_back(line);
    }
    return lines;
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
    const std::string bytes = cleanListBytes(session.sweep, tickedOnly, &leftOut);
    if (const int err = writeFileAtomically(name, bytes)) {
        session.prompts.error(ioErrorText(err, name));
        return;
    }
    if (leftOut > 0)
        session.prompts.warning(leftOutText(leftOut));
}
} // namespace

bool cleanListHolds(std::string_view path)
{
    return path.find_first_of(kLineBreakBytes) == std::string_view::npos;
}

std::string cleanListBytes(const SweepList& list, bool tickedOnly, std::size_t* leftOut)
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!tickedOnly || list.ticked(i))
            total += list.path(i).size() + kLineEnd.size();
    std::string bytes;
    bytes.reserve(total);
    std::size_t unheld = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (tickedOnly && !list.ticked(i))
            continue;
        // Written raw, such a path would come back as other paths, or end the list early.
        if (!cleanListHolds(list.path(i))) {
            ++unheld;
            continue;
        }
        bytes.append(list.path(i));
        bytes.append(kLineEnd);
    }
    if (leftOut)
        *leftOut = unheld;
    return bytes;
}

PathList parseCleanList(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find(kEndOfFile));
    // A CR not followed by LF is left out and its line goes on.
    return splitLines(bytes, CarriageReturns::DropAll);
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

PathList cleanListFromText(std::string_view text)
{
    // A lone CR typed into the viewer stays part of its line; only a CR LF is a line break.
    return splitLines(text, CarriageReturns::DropBeforeLineFeed);
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
    session.clean = parseCleanList(bytes);
    return true;
}

} // namespace zandrel
