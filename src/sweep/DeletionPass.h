#pragma once
#include "backup/DeletionKeeper.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// One pass of File_Delete calls over a known number of paths. When the pass is long enough for
// the user to wait, it reports its progress every few thousand deletions and at the end.
class DeletionPass {
public:
    static constexpr std::size_t kStep = 4096;

    DeletionPass(PhoneLink& phone, Prompts& prompts, std::size_t total,
                 DeletionKeeper* keeper = nullptr)
        : phone_(phone), prompts_(prompts), total_(total), keeper_(keeper)
    {
    }
    // The library's result is not looked at. A path the library cannot take as it stands (a NUL
    // byte in it) is not passed on at all; finish() names it.
    void remove(std::string_view path);
    // Ends the pass: shows one error box naming every path that was not passed on. Returns
    // whether every path was passed on.
    [[nodiscard]] bool finish();

private:
    PhoneLink& phone_;
    Prompts& prompts_;
    std::size_t total_;
    DeletionKeeper* keeper_;
    std::size_t done_ = 0;
    std::string path_; // one buffer for the whole pass
    std::vector<std::string> refused_;
    std::size_t refusedCount_ = 0;
};

} // namespace zandrel
