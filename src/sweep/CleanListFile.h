#pragma once
#include "sweep/SweepSession.h"

#include <string>
#include <string_view>

namespace zandrel {

// Clean-list files: one phone path per line, CR LF after every line.

// The file's bytes for every path of `paths` (all entries, or only the ticked ones).
std::string cleanListBytes(const SweepList& list, bool tickedOnly);

// The lines of a clean-list file's bytes: a line ends at LF, with or without CR before it; a
// lone CR is dropped; 0x1A ends the file; a last line without line end counts; empty lines count.
PathList parseCleanList(std::string_view bytes);

// The list viewer's text and back: every line ends with "\n"; a final line break adds no empty
// line, an empty text is an empty list.
std::string cleanListText(const PathList& lines);
PathList cleanListFromText(std::string_view text);

// "name" -> "name.df"; a name that already ends in ".df" is kept.
std::string withCleanListExtension(std::string name);

void SaveList(SweepSession& session);
void SaveChecked(SweepSession& session);
// True when a file was chosen and read: the CleanList was replaced.
bool OpenCleanList(SweepSession& session);

} // namespace zandrel
