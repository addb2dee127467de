#pragma once
// The clean-list format said plainly, to check the reader against: the text ends at the first
// 0x1A, lines end at LF, every CR is left out, and a last line without LF counts when it has any
// byte (a CR included).
#include <string>
#include <string_view>
#include <vector>

inline std::vector<std::string> plainCleanListLines(std::string_view bytes)
{
    bytes = bytes.substr(0, bytes.find('\x1a'));
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string line(bytes.substr(0, lf));
        std::erase(line, '\r');
        lines.push_back(std::move(line));
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    }
    return lines;
}
