#pragma once
#include "HostFiles.h"

#include <string>
#include <vector>

namespace p2kemu {

// Walks every folder below dir as walkFolder does, with one thread for each visitor taking
// folders from a shared queue: stat() of a million files is the kernel's work, and two cores do
// it in about half the time. path ("" for fs/ itself) prefixes the paths reported. A visitor is
// called from its own thread only; what the visitors share (folder() of every one of them, say)
// they must guard themselves. Falls back to the calling thread alone when no thread can be
// started. However many folders there are, it keeps two descriptors open for each thread.
void walkFolderInParallel(int dir, const std::string& path,
                          const std::vector<FolderVisitor*>& visitors);

} // namespace p2kemu
