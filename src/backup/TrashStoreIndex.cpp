#include "backup/TrashStoreIndex.h"

#include "backup/PhoneNames.h"
#include "phonelink/PhoneLink.h"

#include <charconv>

namespace zandrel {

namespace {
constexpr std::string_view kReplacedMark = "replaced";
// Bytes a phone path never holds: they would split a line of this index or a clean list, or
// name another file in the library.
constexpr std::string_view kNotInPath("\t\r\n\0", 4);

template <typename Number> bool parseNumber(std::string_view text, Number& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool plainWord(std::string_view text) { return text.find_first_of(kNotInPath) == text.npos; }

// The next TAB-ended field, or the rest of the line when it is the last.
std::string_view nextField(std::string_view& line, bool& last)
{
    const std::size_t tab = line.find('\t');
    last = tab == std::string_view::npos;
    const std::string_view field = line.substr(0, tab);
    line.remove_prefix(last ? line.size() : tab + 1);
    return field;
}
} // namespace

bool parseTrashIndexLine(std::string_view line, TrashEntry& entry)
{
    std::string_view fields[4];
    bool last = false;
    for (int i = 0; i < 4; ++i) {
        if (last)
            return false;
        fields[i] = nextField(line, last);
    }
    std::optional<std::string> path = unescapePhonePath(fields[3]);
    if (!path || !plainWord(*path) || path->size() > kRecordNameSize ||
        !parseNumber(fields[0], entry.number) || !parseNumber(fields[1], entry.time) ||
        !parseNumber(fields[2], entry.size))
        return false;
    entry.phonePath = std::move(*path);
    entry.phoneKind.clear();
    entry.replacedByRestore = false;
    entry.pack = 0;
    entry.offset = 0;
    // Older lines end at the path; newer ones add the kind of phone and why the copy was made,
    // and a packed copy its pack and offset.
    if (last)
        return true;
    entry.phoneKind = std::string(nextField(line, last));
    if (last)
        return true;
    entry.replacedByRestore = nextField(line, last) == kReplacedMark;
    if (last)
        return true;
    const std::string_view pack = nextField(line, last);
    return !last && parseNumber(pack, entry.pack) && entry.pack != 0 &&
           parseNumber(line, entry.offset);
}

std::string trashIndexLine(const TrashEntry& entry)
{
    std::string_view kind = entry.phoneKind;
    if (!plainWord(kind))
        kind = {};
    std::string line = std::to_string(entry.number) + '\t' + std::to_string(entry.time) + '\t' +
                       std::to_string(entry.size) + '\t' + escapePhonePath(entry.phonePath) +
                       '\t';
    line += kind;
    line += '\t';
    line += entry.replacedByRestore ? kReplacedMark : std::string_view();
    if (entry.pack != 0)
        line += '\t' + std::to_string(entry.pack) + '\t' + std::to_string(entry.offset);
    line += '\n';
    return line;
}

std::size_t forEachTrashIndexLine(std::string_view text,
                                  const std::function<void(TrashEntry&)>& found)
{
    std::size_t refused = 0;
    TrashEntry entry;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (parseTrashIndexLine(line, entry))
            found(entry);
        else
            ++refused;
    }
    return refused;
}

} // namespace zandrel
