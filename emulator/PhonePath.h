#pragma once
#include "phonelink/p2kapi.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace p2kemu {

// A phone path as it fits the path area of a file record.
constexpr std::size_t kMaxPathBytes = P2K_RECORD_PATH_MAX;
// The host file system's limit for one name.
constexpr std::size_t kMaxNameBytes = 255;
// Names the emulator gives its temporary files while it replaces a phone file.
constexpr std::string_view kTempPrefix = ".p2kemu-";

using Segments = std::vector<std::string>;

// Splits an absolute phone path ("/a/mobile/audio/x.mp3") into its names. A path is refused when it
// is empty (NULL), not absolute, longer than kMaxPathBytes, has an empty, "." or ".." name, a name
// longer than kMaxNameBytes, a control byte, or a last name reserved for temporary files; then the
// result is empty and why says what is wrong.
std::optional<Segments> splitPhonePath(const char* path, std::string& why);

// Whether splitPhonePath would take path, without making its names.
bool isPhonePath(std::string_view path);

// How much of a longer text journalText shows: a refused path of any length costs a short line.
constexpr std::size_t kMaxJournalTextBytes = 1024;

// The bytes in double quotes, readable in the journal: bytes outside printable ASCII, quotes and
// backslashes are written as \xHH or \" and \\. Past kMaxJournalTextBytes only the length of the
// rest is given: "abc..."... (104857600 bytes).
std::string journalText(std::string_view bytes);

} // namespace p2kemu
