#pragma once
#include "sweep/SweepSession.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace zandrel {

// Clean-list files: one phone path per line, CR LF after every line.

// The largest clean-list file Open list reads; a larger one is refused before it is read.
inline constexpr std::size_t kLargestCleanList = 64 << 20;

// Whether a path survives the way through a clean-list file: CR, LF and 0x1A would cut it into
// other lines or end the file.
bool cleanListHolds(std::string_view path);

// The file's bytes for every path of `list` (all entries, or only the ticked ones) that the
// format holds; `leftOut`, when given, counts the others.
std::string cleanListBytes(const SweepList& list, bool tickedOnly, std::size_t* leftOut = nullptr);

// The lines of a clean-list file's bytes, split within the bytes' own buffer: a line ends at LF,
// with or without CR before it; a lone CR is dropped; 0x1A ends the file; a last line without
// line end counts; empty lines count.
PathList parseCleanList(std::string bytes);

// The list viewer's text and back: every line ends with "\n"; a final line break adds no empty
// line, an empty text is an empty list.
std::string cleanListText(const PathList& lines);
PathList cleanListFromText(std::string text);

// "name" -> "name.df"; a name that already ends in ".df" is kept.
std::string withCleanListExtension(std::string name);

// Both write what the format holds and say in a warning how many paths were left out.
void SaveList(SweepSession& session);
void SaveChecked(SweepSession& session);
// True when a file was chosen and read: the CleanList was replaced.
bool OpenCleanList(SweepSession& session);
// The same for a file named beforehand (on the command line), with the same error boxes.
bool OpenCleanListFile(SweepSession& session, const std::string& name);

} // namespace zandrel
