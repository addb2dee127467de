#include "base/IniFile.h"

#include "base/AtomicWrite.h"
#include "base/LocalFile.h"

#include <algorithm>
#include <cerrno>

namespace zandrel {

namespace {
constexpr std::string_view kLineEnd = "\r\n";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::size_t skipBlanks(const std::string& s, std::size_t from, std::size_t to)
{
    while (from < to && isBlank(s[from]))
        ++from;
    return from;
}

std::size_t trimBlanksBack(const std::string& s, std::size_t from, std::size_t to)
{
    while (to > from && isBlank(s[to - 1]))
        --to;
    return to;
}

std::string cut(std::string_view text) { return std::string(text.substr(0, IniFile::kMaxValue)); }

std::string unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return std::string(value.substr(1, value.size() - 2));
    return std::string(value);
}

std::string keyLine(std::string_view key, std::string_view value)
{
    std::string line(key);
    line += '=';
    line += value;
    return line;
}
} // namespace

IniFile IniFile::fromBytes(std::string bytes)
{
    IniFile file;
    file.bytes_ = std::move(bytes);
    file.index();
    return file;
}

IniFile IniFile::load(const std::string& path)
{
    std::string bytes;
    if (readWholeFile(path, bytes, kLargestFile) != 0)
        return {};
    return fromBytes(std::move(bytes));
}

std::string_view IniFile::text(Range r) const
{
    return std::string_view(bytes_).substr(r.begin, r.end - r.begin);
}

// Searching only the line keeps indexing linear however the bytes are spread over lines.
std::size_t IniFile::findInLine(char c, std::size_t from, std::size_t contentEnd) const
{
    const auto end = bytes_.begin() + static_cast<std::ptrdiff_t>(contentEnd);
    return static_cast<std::size_t>(
        std::find(bytes_.begin() + static_cast<std::ptrdiff_t>(from), end, c) - bytes_.begin());
}

IniFile::Line IniFile::parseLine(std::size_t begin, std::size_t contentEnd, std::size_t end) const
{
    Line line{begin, contentEnd, end, Kind::Other, {}, {}};
    const std::size_t first = skipBlanks(bytes_, begin, contentEnd);
    if (first == contentEnd)
        return line;
    if (bytes_[first] == '[') {
        // The name ends at the first "]"; a "[" without one still opens a section.
        const std::size_t close = findInLine(']', first + 1, contentEnd);
        const std::size_t nameBegin = skipBlanks(bytes_, first + 1, close);
        line.kind = Kind::Section;
        line.name = {nameBegin, trimBlanksBack(bytes_, nameBegin, close)};
        return line;
    }
    if (bytes_[first] == ';') {
        line.kind = Kind::Comment;
        return line;
    }
    const std::size_t equals = findInLine('=', first, contentEnd);
    if (equals == contentEnd)
        return line;
    const std::size_t valueBegin = skipBlanks(bytes_, equals + 1, contentEnd);
    line.kind = Kind::Key;
    line.name = {first, trimBlanksBack(bytes_, first, equals)};
    line.value = {valueBegin, trimBlanksBack(bytes_, valueBegin, contentEnd)};
    return line;
}

void IniFile::index()
{
    lines_.clear();
    sections_.clear();
    std::size_t pos = 0;
    while (pos < bytes_.size()) {
        std::size_t contentEnd = bytes_.find_first_of("\r\n", pos);
        std::size_t end;
        if (contentEnd == std::string::npos) {
            contentEnd = end = bytes_.size();
        } else {
            end = contentEnd + 1;
            if (bytes_[contentEnd] == '\r' && end < bytes_.size() && bytes_[end] == '\n')
                ++end;
        }
        const Line line = parseLine(pos, contentEnd, end);
        const std::size_t n = lines_.size();
        if (line.kind == Kind::Section)
            sections_.push_back(Section{line.name, n, n, n});
        else if (!sections_.empty()) {
            sections_.back().lastLine = n;
            if (line.kind == Kind::Key)
                sections_.back().lastKey = n;
        }
        lines_.push_back(line);
        pos = end;
    }
}

const IniFile::Section* IniFile::findSection(std::string_view name) const
{
    for (const Section& section : sections_)
        if (sameName(text(section.name), name))
            return &section;
    return nullptr;
}

const IniFile::Line* IniFile::findKey(const Section& section, std::string_view key) const
{
    for (std::size_t i = section.header + 1; i <= section.lastLine && i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Key && sameName(text(lines_[i].name), key))
            return &lines_[i];
    return nullptr;
}

std::string IniFile::read(std::string_view section, std::string_view key,
                          std::string_view fallback) const
{
    if (const Section* s = findSection(section))
        if (const Line* line = findKey(*s, key))
            return cut(unquote(text(line->value)));
    // Only trailing spaces go: tabs and leading spaces of a default are kept.
    const std::size_t last = fallback.find_last_not_of(' ');
    return cut(fallback.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value)
{
    const Section* s = findSection(section);
    if (!s) {
        if (!lines_.empty() && lines_.back().contentEnd == lines_.back().end)
            bytes_ += kLineEnd;
        bytes_ += '[';
        bytes_ += section;
        bytes_ += ']';
        bytes_ += kLineEnd;
        bytes_ += keyLine(key, value);
        bytes_ += kLineEnd;
    } else if (const Line* line = findKey(*s, key)) {
        // Like the system function: the line becomes key=value in the file's own spelling of
        // the key, and keeps its line end.
        const std::string replacement = keyLine(text(line->name), value);
        bytes_.replace(line->begin, line->contentEnd - line->begin, replacement);
    } else {
        const Line& after = lines_[s->lastKey];
        std::string insert;
        if (after.contentEnd == after.end)
            insert += kLineEnd;
        insert += keyLine(key, value);
        insert += kLineEnd;
        bytes_.insert(after.end, insert);
    }
    index();
}

int writeIniValue(const std::string& path, std::string_view section, std::string_view key,
                  std::string_view value)
{
    std::string bytes;
    if (const int err = readWholeFile(path, bytes, IniFile::kLargestFile);
        err != 0 && err != ENOENT)
        return err;
    IniFile file = IniFile::fromBytes(std::move(bytes));
    file.write(section, key, value);
    return writeFileAtomically(path, file.bytes());
}

} // namespace zandrel
