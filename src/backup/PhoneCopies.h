#pragma once
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <string>

namespace zandrel {

// The phone file at path into `bytes`, through File_Fetch into a file that lives in memory.
// Returns the library's result: the size, or a negative number (bytes then hold nothing).
int32_t fetchToMemory(PhoneLink& phone, const std::string& path, std::string& bytes);

// Writes bytes to the phone file at path (File_Create, File_Write, File_Close, all three called
// whatever the first returns so the library is never left with a file open) and, where the
// library can fetch, reads it back. Returns 0 when the phone holds exactly these bytes, else the
// first negative result, or kDiffers.
int32_t sendAndVerify(PhoneLink& phone, const std::string& path, const std::string& bytes);
inline constexpr int32_t kDiffers = INT32_MIN;

} // namespace zandrel
