#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zandrel {

// A phone path as one field of a tab-separated line, byte for byte: printable ASCII stands as it
// is, "\" as "\\", and every other byte (tab, line ends, Windows-1251 letters) as "\xHH".
std::string escapePhonePath(std::string_view path);
// The bytes back, or nothing when the text is no escaped path.
std::optional<std::string> unescapePhonePath(std::string_view text);

// The longest name a folder of the computer holds, in bytes (NAME_MAX).
inline constexpr std::size_t kLongestHostName = 255;

// Where a phone file goes below a backup folder, readable on the computer: "/a/x.mp3" as
// "a/x.mp3", Windows-1251 letters as UTF-8. Names a folder could not hold become harmless: an
// empty name "_", "." and ".." "_." and "_..", control bytes "_"; a name longer than
// kLongestHostName once in UTF-8 is cut, with a mark made from all its bytes, so that two long
// names with the same start stay apart. The manifest keeps the phone path itself.
std::string hostNameOf(std::string_view phonePath);

// name with mark put before its extension ("x~2.mp3"), cut to fit kLongestHostName.
std::string markedHostName(std::string_view name, std::string_view mark);

// A local path (UTF-8) as a text of the program's code page can show it: a letter Windows-1251
// lacks, or a byte that is no UTF-8, becomes '?'.
std::string shownLocalPath(std::string_view utf8);

// "20261208-170102": a folder name for a moment (local time) that sorts by age.
std::string timeStampName(std::int64_t secondsSince1970);

// Makes parent (mode 0700 where new) and in it a new folder named timeStampName(now), with "-2",
// "-3"... added when that is taken. Returns its name, or empty with errno set.
std::string makeStampedFolder(const std::string& parent, std::int64_t secondsSince1970);

} // namespace zandrel
