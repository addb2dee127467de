#pragma once
#include "sweep/PathList.h"

#include <string>

namespace zandrel {

// Where the lines of a clean list begin and end, in a file's bytes and in the list viewer's text.

// A clean-list file ends at byte 0x1A and drops every CR that does not end a line; text typed
// into the viewer keeps both as bytes of its lines.
enum class LineSource { File, Viewer };

// The first CR, LF or 0x1A in [from, end), or end: the bytes that end a clean-list line or file.
const char* findLineBreakByte(const char* from, const char* end);

// Lines split at "\n", in place: each line's bytes move down over the line-end bytes before
// them, so the lines keep the buffer they were read into. A last line without line end counts
// when it has any byte, or a CR that was left out.
PathList splitLines(std::string text, LineSource source);

} // namespace zandrel
