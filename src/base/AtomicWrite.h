#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace zandrel {

// Replaces `path` with `bytes` so that a failed or interrupted write leaves the old file as it
// was. Returns 0 or an error number for ioErrorText().
// - A symbolic link is written through: the file at the end of the links is replaced, the links
//   stay links.
// - The bytes go to a temporary file beside that file, named temporaryPrefix() + pid + "-XXXXXX":
//   written, flushed, renamed over the file, then the folder is flushed. A temporary file that a
//   process killed mid-write left behind is removed at the next save of the same file: only a
//   plain file of this user with exactly that form of name, whose writer is gone. Nothing else
//   in the folder is touched.
// - A file the rename would change (another user's or group's, one with several hard links),
//   or one in a folder that takes no new file or refuses the rename (a sticky folder), is
//   written in place: room for the bytes is taken first, and a failure puts the old bytes back
//   where it can; one that cannot gives kHalfWritten.
// A new file gets mode 0666 less the umask; a replaced file keeps its mode. A file we may not
// write stays as it is (EACCES), and so does anything that is not a regular file.
[[nodiscard]] int writeFileAtomically(const std::string& path, std::string_view bytes);

// Takes a file's bytes piece by piece; returns 0 or an error number.
using ByteSink = std::function<int(std::string_view)>;
// Hands a file's bytes to the sink it gets and returns 0, or the first error the sink returned.
// It may be called more than once (to count the bytes, for the in-place fallback) and must
// hand the same bytes each time.
using ByteProducer = std::function<int(const ByteSink&)>;
// The same with the bytes made while they are written, so that no copy of the whole file is
// needed.
[[nodiscard]] int writeFileAtomically(const std::string& path, const ByteProducer& produce);

// ".Zandrel.ini.zandrel-": how the temporary files for a file of this name begin.
std::string temporaryPrefix(std::string_view fileName);

} // namespace zandrel
