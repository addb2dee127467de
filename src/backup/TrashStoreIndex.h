#pragma once
#include "backup/TrashStore.h"

#include <functional>
#include <string>
#include <string_view>

namespace zandrel {

// The lines of a run's index.tsv, apart from the files they name, so that what a hostile or
// broken index can do is limited to what these two allow.

// One index line (without its "\n"), or false when it is not one: a field missing or not a
// number, a path that is no escaped phone path or that holds a byte no phone path holds (TAB,
// NUL, CR, LF), a path longer than a phone record takes.
bool parseTrashIndexLine(std::string_view line, TrashEntry& entry);
// The line an entry is written as, "\n" included. A phone kind is written only when it is a
// plain word (no TAB, CR or LF), so a line always reads back as it was written.
std::string trashIndexLine(const TrashEntry& entry);
// Calls found for every line of text that parses, in order; returns how many did not.
std::size_t forEachTrashIndexLine(std::string_view text,
                                  const std::function<void(TrashEntry&)>& found);

} // namespace zandrel
