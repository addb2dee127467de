#pragma once
#include "HostFiles.h"

#include <vector>

namespace p2kemu {

// Walks every folder below dir as walkFolder does, with one thread for each visitor taking
// folders from a shared queue: stat() of a million files is the kernel's work, and two cores do
// it in about half the time. A visitor is called from its own thread only; what the visitors
// share (folder() of every one of them, say) they must guard themselves. Falls back to the
// calling thread alone when no thread can be started.
void walkFolderInParallel(int dir, const std::vector<FolderVisitor*>& visitors);

} // namespace p2kemu
