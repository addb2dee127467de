#pragma once
#include <string>

namespace zandrel {

// Pseudo error numbers for failures that have no errno of their own.
inline constexpr int kReadBeyondEnd = -1; // fewer bytes read than the file's size said
inline constexpr int kRangeCheck = -2;    // a count from the phone outside what we can take

// The text of the standard error box for a failed local file operation on `path`.
// ENOENT/ENOTDIR say "Invalid filename" when a folder of the path is missing,
// "File not found" when only the file is.
std::string ioErrorText(int error, const std::string& path);

// The box adds a final "." when the message's last byte sorts after ".".
std::string errorBoxText(const std::string& message);

} // namespace zandrel
