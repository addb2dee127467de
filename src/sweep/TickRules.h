#pragma once
#include "sweep/SweepList.h"

#include <string_view>

namespace zandrel {

// The eight category rules, in the order of their buttons.
enum class TickRule { Audio, Pictures, NotUsed, PicturesFromRoot, Mms, CameraSound, Theme, Video };

bool rulePasses(TickRule rule, std::string_view path);

// Ticks every entry that passes the rule; never unticks, never touches the selection.
void TickByRule(SweepList& list, TickRule rule);

// Selects the last entry whose path ends in `text` (byte-wise); with no match the selection stays.
// Returns whether anything was selected.
bool SearchBySuffix(SweepList& list, std::string_view text);

} // namespace zandrel
