#pragma once
#include "sweep/SweepSession.h"

#include <string_view>

namespace zandrel {

// Empties the SweepList, then, when a phone is connected, reads its file list: paths under
// "/a/mobile/kj" are appended to the JavaList, all others to the SweepList, in library order.
void ReadFromPhone(SweepSession& session);

// The exact, case-sensitive "/a/mobile/kj" prefix test.
bool isJavaPath(std::string_view path);

} // namespace zandrel
