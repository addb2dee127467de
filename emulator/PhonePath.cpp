#include "PhonePath.h"

#include <cstdio>
#include <cstring>

namespace p2kemu {

namespace {

std::string hexByte(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

// Why one name cannot be a phone file or folder name, or empty when it can.
std::string refusedName(std::string_view name)
{
    if (name.empty())
        return "empty name";
    if (name == "." || name == "..")
        return "\"" + std::string(name) + "\" name";
    if (name.size() > kMaxNameBytes)
        return "name longer than " + std::to_string(kMaxNameBytes) + " bytes";
    for (unsigned char byte : name) {
        if (byte < 0x20 || byte == 0x7F)
            return "control byte " + hexByte(byte);
    }
    return {};
}

// Why text is no phone path, or empty when it is one; onName gets each name on the way.
template <typename OnName> std::string refusedPath(std::string_view text, OnName onName)
{
    if (text.empty())
        return "empty path";
    if (text.front() != '/')
        return "not an absolute path";
    if (text.size() > kMaxPathBytes)
        return "longer than " + std::to_string(kMaxPathBytes) + " bytes";
    std::string_view name;
    for (std::size_t start = 1;;) {
        std::size_t slash = text.find('/', start);
        name = text.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (std::string why = refusedName(name); !why.empty())
            return why;
        onName(name);
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    if (name.starts_with(kTempPrefix))
        return "name reserved for the emulator's temporary files";
    return {};
}

} // namespace

std::optional<Segments> splitPhonePath(const char* path, std::string& why)
{
    Segments names;
    why = refusedPath(path ? std::string_view(path) : std::string_view(),
                      [&](std::string_view name) { names.emplace_back(name); });
    if (!why.empty())
        return std::nullopt;
    return names;
}

bool isPhonePath(std::string_view path)
{
    return refusedPath(path, [](std::string_view) {}).empty();
}

std::string journalText(std::string_view bytes)
{
    std::string out = "\"";
    for (unsigned char byte : bytes.substr(0, kMaxJournalTextBytes)) {
        if (byte == '"' || byte == '\\') {
            out += '\\';
            out += static_cast<char>(byte);
        } else if (byte < 0x20 || byte >= 0x7F) {
            char text[8];
            std::snprintf(text, sizeof text, "\\x%02X", byte);
            out += text;
        } else {
            out += static_cast<char>(byte);
        }
    }
    out += '"';
    if (bytes.size() > kMaxJournalTextBytes)
        out += "... (" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

} // namespace p2kemu
