#pragma once
#include "sweep/SweepSession.h"

namespace zandrel {

// Deletes every ticked SweepList entry from the phone, then runs the ring fix, then shows
// message 75. An empty list shows message 76 instead.
void CleanTicked(SweepSession& session);

// Deletes every JavaList path from the phone; an empty JavaList shows message 77.
void CleanJava(SweepSession& session);

// Deletes every CleanList line from the phone, then shows message 75; an empty CleanList shows
// message 76.
void CleanByList(SweepSession& session);

} // namespace zandrel
