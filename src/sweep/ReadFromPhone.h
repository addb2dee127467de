#pragma once
#include "sweep/SweepSession.h"

#include <string_view>

namespace zandrel {

enum class ReadOutcome {
    Read,
    NoPhone, // the SweepList is emptied
    Failed,  // told in the error box; the SweepList is emptied
    Stopped, // the user stopped it; both lists are as they were
};

// When a phone is connected, reads its file list: paths under "/a/mobile/kj" are appended to
// the JavaList, all others take the SweepList's place, in library order. Without a phone the
// SweepList is emptied. The user may stop the read between its calls and while the records are
// split.
ReadOutcome ReadFromPhone(SweepSession& session);

// The exact, case-sensitive "/a/mobile/kj" prefix test.
bool isJavaPath(std::string_view path);

} // namespace zandrel
