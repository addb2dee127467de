// The simulated phone's answers: its file system on the phone folder's fs/, its seem records in
// seem/. Like a phone, it writes a file as the data comes, not at the end.
#include "SimPhoneState.h"

#include "base/Windows1251.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace p2kusb {

namespace {

constexpr std::size_t kPathField = 260;
constexpr std::uint16_t kSeparator = 0xFFFE;

SimAnswer refused() { return {false, {}}; }
SimAnswer done(Bytes data = {}) { return {true, std::move(data)}; }

std::optional<p2kemu::Segments> names(const std::string& path)
{
    std::string why;
    return p2kemu::splitPhonePath(path.c_str(), why);
}

std::string bytesText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// UCS-2 big-endian up to a zero word or the end, as 8-bit text.
std::optional<std::string> narrow(const Bytes& wide)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
        char16_t unit = char16_t(wide[i] << 8 | wide[i + 1]);
        if (unit == 0)
            break;
        auto byte = windows1251::fromUnicode(unit);
        if (!byte)
            return std::nullopt;
        text.push_back(char(*byte));
    }
    return text;
}

std::string readHostFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string seemName(std::uint16_t seem, std::uint16_t record)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04x_%04x.seem", unsigned(seem), unsigned(record));
    return name;
}

} // namespace

SimAnswer SimPhone::State::answer(std::uint16_t command, SimReader& args)
{
    switch (command) {
    case 0x004A:
        return fileSystem(args);
    case 0x0020:
        return seemRead(args);
    case 0x002F:
        return seemWrite(args);
    case 0x0022:
        ++restarts;
        dropSession();
        return done();
    default:
        return refused();
    }
}

SimAnswer SimPhone::State::fileSystem(SimReader& args)
{
    auto op = args.u32();
    switch (op.value_or(0xFF)) {
    case 0:
        return openFile(args);
    case 1:
        return readFile(args);
    case 2:
        return writeFile(args);
    case 3:
        return seekFile(args);
    case 4:
        if (!open)
            return refused();
        open.reset();
        return done();
    case 5:
        return deleteFile(args);
    case 7:
        return search(args);
    case 8:
        return listNext(args);
    case 0x0A:
        return volumes();
    case 0x0B:
        return freeSpace(args);
    default:
        return refused();
    }
}

SimAnswer SimPhone::State::openFile(SimReader& args)
{
    auto attributes = args.u32();
    std::string path = bytesText(args.rest());
    auto split = names(path);
    if (!attributes || !split || open)
        return refused();
    // No folder is made on the way: an open in a missing folder fails.
    const std::string parent = path.substr(0, path.rfind('/'));
    if (!std::filesystem::is_directory(folder.hostPath("fs") + parent))
        return refused();
    std::string bytes;
    if (folder.fileSize(*split) && !faults.truncateOnOpen)
        bytes = readHostFile(folder.hostPath("fs") + path);
    if (folder.replaceFile(*split, bytes) != 0)
        return refused();
    open = SimOpenFile{*split, bytes, 0};
    return done();
}

SimAnswer SimPhone::State::readFile(SimReader& args)
{
    auto n = args.u32();
    if (!n || !open || *n > 0x400)
        return refused();
    std::size_t start = std::min(open->position, open->bytes.size());
    std::size_t count = std::min<std::size_t>(*n, open->bytes.size() - start);
    open->position = start + count;
    auto first = open->bytes.begin() + std::ptrdiff_t(start);
    return done(Bytes(first, first + std::ptrdiff_t(count)));
}

SimAnswer SimPhone::State::writeFile(SimReader& args)
{
    auto n = args.u32();
    if (!n || !open || *n > 0x400 || args.remaining() != *n)
        return refused();
    std::string data = bytesText(args.rest());
    if (open->bytes.size() < open->position + data.size())
        open->bytes.resize(open->position + data.size());
    open->bytes.replace(open->position, data.size(), data);
    open->position += data.size();
    return folder.replaceFile(open->names, open->bytes) == 0 ? done() : refused();
}

SimAnswer SimPhone::State::seekFile(SimReader& args)
{
    auto offset = args.u32();
    auto whence = args.u8();
    if (!offset || !whence || !open || *whence > 2)
        return refused();
    std::size_t base = *whence == 0 ? 0 : *whence == 1 ? open->position : open->bytes.size();
    if (base + *offset > open->bytes.size())
        return refused();
    open->position = base + *offset;
    return done();
}

SimAnswer SimPhone::State::deleteFile(SimReader& args)
{
    auto split = names(bytesText(args.rest()));
    // The open file cannot go.
    if (open && split && open->names == *split)
        return refused();
    return split && folder.removeFile(*split) == 0 ? done() : refused();
}

SimAnswer SimPhone::State::search(SimReader& args)
{
    Bytes pattern = args.rest();
    std::size_t at = 0;
    while (at + 1 < pattern.size() && (pattern[at] << 8 | pattern[at + 1]) != kSeparator)
        at += 2;
    auto prefix = narrow(Bytes(pattern.begin(), pattern.begin() + std::ptrdiff_t(at)));
    auto wildcard = narrow(
        Bytes(pattern.begin() + std::ptrdiff_t(std::min(at + 2, pattern.size())), pattern.end()));
    if (at + 1 >= pattern.size() || !prefix || !wildcard || wildcard->empty() ||
        (!faults.emptySlot.empty() && prefix->starts_with(faults.emptySlot + "/")))
        return refused();
    listing.clear();
    for (p2kemu::PhoneFile& file : folder.scan()) {
        const bool named = *wildcard == "*" || file.path.ends_with("/" + *wildcard);
        if (named && file.path.starts_with(*prefix) && file.path.size() < kPathField)
            listing.push_back(std::move(file));
    }
    if (faults.unusableRecords) {
        listing.insert(listing.begin(), p2kemu::PhoneFile{"", 1});
        listing.push_back(p2kemu::PhoneFile{*prefix + std::string(kPathField, 'x'), 1});
    }
    // A file saved between the search and the listing, or a phone that counts differently.
    const std::size_t announced =
        listing.size() - std::min<std::size_t>(listing.size(), std::size_t(faults.announceShortBy));
    const std::size_t repeats = std::min<std::size_t>(listing.size(), std::size_t(faults.repeatRecords));
    for (std::size_t i = 0; i < repeats; ++i)
        listing.push_back(listing[i]);
    cursor = 0;
    extraLeft = faults.extraRecords;
    return done(SimWriter().u16(std::uint16_t(announced)).take());
}

SimAnswer SimPhone::State::listNext(SimReader& args)
{
    auto n = args.u8();
    if (!n)
        return refused();
    if (cursor >= listing.size() && extraLeft == 0 && faults.listEnd == SimListEnd::NoReply)
        return {true, {}, true};
    if (cursor >= listing.size() && extraLeft == 0 && faults.listEnd != SimListEnd::NoRecords)
        return {faults.listEnd == SimListEnd::EmptyReply, {}}; // an empty reply or an error status
    SimWriter records;
    std::uint16_t count = 0;
    for (; count < *n && (cursor < listing.size() || extraLeft > 0); ++count) {
        p2kemu::PhoneFile file =
            cursor < listing.size()
                ? listing[cursor++]
                : p2kemu::PhoneFile{"/a/extra" + std::to_string(extraLeft--), 1};
        const std::string field = file.path.substr(0, kPathField);
        records.raw(field).zeros(kPathField - field.size());
        records.u16(0).u16(0).u32(std::uint32_t(file.size));
    }
    return done(SimWriter().u16(count).u16(0).raw(records.take()).take());
}

// The name may follow a zero word, and the zero padding may have any length.
SimAnswer SimPhone::State::freeSpace(SimReader& args)
{
    Bytes field = args.rest();
    bool prefixed = field.size() >= 2 && field[0] == 0 && field[1] == 0;
    if ((prefixed && faults.volumePlainOnly) || (!prefixed && faults.volumeAfterZeroWord))
        return refused();
    auto volume = narrow(Bytes(field.begin() + (prefixed ? 2 : 0), field.end()));
    if (!volume || volume->size() < 2 || volume->find('/', 1) != std::string::npos ||
        !std::filesystem::is_directory(folder.hostPath("fs") + *volume))
        return refused();
    std::uint64_t used = 0;
    for (const p2kemu::PhoneFile& file : folder.scan())
        used += file.size;
    std::uint64_t free = used >= capacity ? 0 : capacity - used;
    return done(SimWriter().u32(std::uint32_t(std::min<std::uint64_t>(free, 0xFFFFFFFF))).take());
}

// The top folders of fs/, as the volumes "/a", "/c", ... apart by 0xFFFE, ended by a zero word.
SimAnswer SimPhone::State::volumes()
{
    if (faults.noVolumes)
        return refused();
    std::set<std::string> names; // in order
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.hostPath("fs"), error))
        if (entry.is_directory())
            names.insert("/" + entry.path().filename().string());
    SimWriter out;
    for (const std::string& name : names) {
        if (!out.out.empty())
            out.u16(kSeparator);
        for (char c : name)
            out.u16(static_cast<unsigned char>(c));
    }
    return done(out.u16(0).take());
}

SimAnswer SimPhone::State::seemRead(SimReader& args)
{
    auto seem = args.u16();
    auto record = args.u16();
    auto offset = args.u16();
    auto count = args.u16();
    if (!count || args.remaining() != 0)
        return refused();
    std::string path = folder.hostPath("seem/" + seemName(*seem, *record));
    std::ifstream probe(path);
    if (!probe)
        return done(SimWriter().u8(1).take()); // no such record
    std::string bytes = readHostFile(path);
    std::string part =
        *offset > bytes.size() ? "" : bytes.substr(*offset, *count ? *count : std::string::npos);
    return done(SimWriter().u8(0).raw(part).take());
}

SimAnswer SimPhone::State::seemWrite(SimReader& args)
{
    auto seem = args.u16();
    auto record = args.u16();
    auto offset = args.u16();
    auto count = args.u16();
    if (!count || args.remaining() != *count)
        return refused();
    std::string name = seemName(*seem, *record);
    std::string bytes = readHostFile(folder.hostPath("seem/" + name));
    std::string data = bytesText(args.rest());
    if (faults.corruptSeemWrites && !data.empty())
        data[0] = char(data[0] ^ 0xFF);
    if (bytes.size() < *offset + data.size())
        bytes.resize(*offset + data.size());
    bytes.replace(*offset, data.size(), data);
    return folder.writeSeem(name, bytes) == 0 ? done() : refused();
}

} // namespace p2kusb
