#pragma once

namespace zandrel {

// The program's name in captions, boxes and messages.
inline constexpr const char* kProgramName = "Zandrel";
// The version the build was configured with.
inline constexpr const char* kProgramVersion = ZANDREL_VERSION;

} // namespace zandrel
