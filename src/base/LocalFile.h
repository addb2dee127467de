#pragma once
#include <string>
#include <string_view>

namespace zandrel {

// Local file access shared by the settings file, clean-list files, uploads and the ring fix.
// Every function returns 0 on success or an error number for ioErrorText().

// Reads the whole file, opened read-only. A file that yields fewer bytes than its size gives
// kReadBeyondEnd.
int readWholeFile(const std::string& path, std::string& out);

// Replaces `path` with `bytes` through a temporary file in the same folder: written, flushed,
// then renamed over the old file. On any failure the old file is left as it was and the
// temporary file is removed. A new file gets mode 0666 less the umask; a replaced file keeps
// its mode.
int writeFileAtomically(const std::string& path, std::string_view bytes);

// "orfiles\WebSession" -> "orfiles/WebSession": the tools name local files with "\" as the
// folder separator.
std::string localPathFromToolPath(std::string_view toolPath);

} // namespace zandrel
