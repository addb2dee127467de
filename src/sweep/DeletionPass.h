#pragma once
#include "backup/DeletionKeeper.h"
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// One pass of File_Delete calls over a known number of paths. It reports its progress after
// every deletion (the window decides what it shows) and counts the files it could not delete.
class DeletionPass {
public:
    DeletionPass(PhoneLink& phone, Prompts& prompts, std::size_t total,
                 DeletionKeeper* keeper = nullptr)
        : phone_(phone), prompts_(prompts), total_(total), keeper_(keeper)
    {
    }
    // A negative result of the library counts as a failure. A path the library cannot take as it
    // stands (a NUL byte in it) is not passed on at all, and counts as one too.
    void remove(std::string_view path);
    // Ends the pass. Returns whether every file was deleted.
    [[nodiscard]] bool finish();
    // After a pass that did not delete every file: how many of how many could not be deleted,
    // naming the first few with their results.
    std::string failureText(const MessageTexts& texts) const;

private:
    struct Failure {
        std::string path;   // NUL bytes shown as <NUL>
        int32_t result = 0; // the library's, or none when the path was not passed on
        bool passedOn = true;
    };

    PhoneLink& phone_;
    Prompts& prompts_;
    std::size_t total_;
    DeletionKeeper* keeper_;
    std::size_t done_ = 0;
    std::string path_;              // one buffer for the whole pass
    std::vector<Failure> failures_; // the first few
    std::size_t failureCount_ = 0;
};

} // namespace zandrel
