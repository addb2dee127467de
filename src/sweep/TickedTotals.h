#pragma once
#include "base/MessageTexts.h"
#include "sweep/SweepList.h"

#include <string>

namespace zandrel {

// What a Clean of the ticked entries would free, as the status bar tells it while the user
// ticks: their count, and their size in kilobytes where the read told the sizes. Empty while
// there is no list.
std::string tickedTotalsText(const SweepList& list, const MessageTexts& texts);

} // namespace zandrel
