#include "backup/PhoneNames.h"

#include "base/Windows1251.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>

namespace zandrel {

namespace {
constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

void appendUtf8(std::string& out, char16_t unit)
{
    if (unit < 0x80) {
        out += static_cast<char>(unit);
    } else if (unit < 0x800) {
        out += static_cast<char>(0xC0 | (unit >> 6));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (unit >> 12));
        out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

// FNV-1a: a short mark that tells apart long names sharing their start.
std::uint64_t nameHash(std::string_view bytes)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

void appendHostName(std::string& out, std::string_view name)
{
    std::string host;
    if (name.empty() || name == "." || name == "..")
        host += '_';
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            host += '_';
        else
            appendUtf8(host, windows1251::toUnicode(byte));
    }
    if (host.size() > kLongestHostName) {
        char mark[16];
        std::snprintf(mark, sizeof mark, "~%012llx",
                      static_cast<unsigned long long>(nameHash(name) >> 16));
        host = markedHostName(host, mark);
    }
    out += host;
}
} // namespace

std::string markedHostName(std::string_view name, std::string_view mark)
{
    // An extension of a few letters stays, so the file still opens with its program.
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 16)
        dot = name.size();
    const std::string_view extension = name.substr(dot);
    std::string_view stem = name.substr(0, dot);
    const std::size_t room = kLongestHostName - mark.size() - extension.size();
    if (stem.size() > room) {
        // Never half a letter: the cut moves back to the start of the letter it falls in.
        std::size_t end = room;
        while (end > 0 && (static_cast<unsigned char>(stem[end]) & 0xC0) == 0x80)
            --end;
        stem = stem.substr(0, end);
    }
    return std::string(stem) + std::string(mark) + std::string(extension);
}

std::string escapePhonePath(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
    }
    return out;
}

std::optional<std::string> unescapePhonePath(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
            continue;
        }
        if (i + 3 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 2]);
        const int low = hexValue(text[i + 3]);
        if (text[i + 1] != 'x' || high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return out;
}

std::string hostNameOf(std::string_view phonePath)
{
    if (phonePath.starts_with('/'))
        phonePath.remove_prefix(1);
    std::string out;
    out.reserve(phonePath.size() + phonePath.size() / 2);
    for (;;) {
        const std::size_t slash = phonePath.find('/');
        appendHostName(out, phonePath.substr(0, slash));
        if (slash == std::string_view::npos)
            return out;
        out += '/';
        phonePath.remove_prefix(slash + 1);
    }
}

std::string shownLocalPath(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xC2 && lead < 0xE0 ? 2
                                   : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                 : 0;
        char32_t unit = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        bool whole = length != 0 && i + length <= utf8.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            whole = (next & 0xC0) == 0x80;
            unit = unit << 6 | (next & 0x3F);
        }
        const std::optional<unsigned char> byte =
            whole ? windows1251::fromUnicode(static_cast<char16_t>(unit)) : std::nullopt;
        out += byte ? static_cast<char>(*byte) : '?';
        i += whole ? length : 1;
    }
    return out;
}

std::string timeStampName(std::int64_t secondsSince1970)
{
    const auto when = static_cast<std::time_t>(secondsSince1970);
    std::tm local{};
    ::localtime_r(&when, &local);
    char name[32];
    std::strftime(name, sizeof name, "%Y%m%d-%H%M%S", &local);
    return name;
}

std::string makeStampedFolder(const std::string& parent, std::int64_t secondsSince1970)
{
    std::error_code error;
    if (std::filesystem::create_directories(parent, error))
        ::chmod(parent.c_str(), 0700);
    if (error) {
        errno = error.value();
        return {};
    }
    const std::string base = timeStampName(secondsSince1970);
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (::mkdir((parent + "/" + name).c_str(), 0700) == 0)
            return name;
        if (errno != EEXIST)
            return {};
    }
    errno = EEXIST;
    return {};
}

} // namespace zandrel
