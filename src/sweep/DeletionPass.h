#pragma once
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"
#include "sweep/PathList.h"

#include <cstddef>

namespace zandrel {

// Counts the deletions of one pass and, when the pass is long enough for the user to wait,
// reports them every few thousand and at the end.
class DeletionProgress {
public:
    static constexpr std::size_t kStep = 4096;

    DeletionProgress(Prompts& prompts, std::size_t total) : prompts_(prompts), total_(total) {}
    void advance();

private:
    Prompts& prompts_;
    std::size_t total_;
    std::size_t done_ = 0;
};

// File_Delete for every path, from the first to the last; results are not looked at.
void deleteEveryPath(PhoneLink& phone, Prompts& prompts, const PathList& paths);

} // namespace zandrel
