#pragma once
#include <exception>
#include <string>

namespace zandrel {

// Pseudo error numbers for failures that have no errno of their own.
inline constexpr int kReadBeyondEnd = -1; // fewer bytes read than the file's size said
inline constexpr int kRangeCheck = -2;    // a count from the phone outside what we can take
inline constexpr int kTooLarge = -3;      // a local file past the size its reader takes
inline constexpr int kHalfWritten = -4;   // a write in place that failed after its first byte

// The text of the standard error box for a failed local file operation on `path`.
// ENOENT/ENOTDIR say "Invalid filename" when a folder of the path is missing,
// "File not found" when only the file is.
std::string ioErrorText(int error, const std::string& path);

// The text the standard error box shows for an exception: "Not enough memory" for a failed
// allocation, never the exception's own name.
std::string exceptionText(const std::exception& e);

// The box adds a final "." when the message's last byte sorts after ".".
std::string errorBoxText(const std::string& message);

} // namespace zandrel
