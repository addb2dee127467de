#pragma once
#include "sweep/PathList.h"
#include "sweep/SweepList.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zandrel {

// Lists as the tests write them: one std::string a path, a call or a prompt.
using Lines = std::vector<std::string>;

PathList pathList(const Lines& lines);
Lines linesOf(const PathList& list);
Lines pathsOf(const SweepList& list);
// Replaces the list's entries with `paths` and ticks the entries at `ticked`.
void fillSweep(SweepList& list, const Lines& paths, const std::vector<std::size_t>& ticked = {});

// The library calls of one ring fix, as FakePhoneLink records them.
extern const Lines kRingFixCalls;

} // namespace zandrel
