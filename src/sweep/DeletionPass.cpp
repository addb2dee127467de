#include "sweep/DeletionPass.h"

namespace zandrel {

namespace {
// A few are enough to find the lines; the count tells how many there are.
constexpr std::size_t kRefusedNamed = 5;

// The path with its NUL bytes made visible, so the box shows where the line holds them.
std::string withVisibleNul(std::string_view path)
{
    std::string shown;
    for (const char c : path) {
        if (c == '\0')
            shown += "<NUL>";
        else
            shown += c;
    }
    return shown;
}
} // namespace

void DeletionPass::remove(std::string_view path)
{
    path_.assign(path);
    if (PhoneLink::libraryTakes(path_)) {
        if (keeper_)
            keeper_->keep(path_);
        phone_.fileDelete(path_);
    } else {
        if (refused_.size() < kRefusedNamed)
            refused_.push_back(withVisibleNul(path));
        ++refusedCount_;
    }
    ++done_;
    if (total_ >= kStep && (done_ % kStep == 0 || done_ == total_))
        prompts_.progress(done_, total_);
}

bool DeletionPass::finish()
{
    if (const std::string notKept = keeper_ ? keeper_->endRun() : ""; !notKept.empty())
        prompts_.warning(notKept);
    if (refusedCount_ == 0)
        return true;
    const bool one = refusedCount_ == 1;
    std::string text =
        std::to_string(refusedCount_) +
        (one ? " line holds a NUL byte and was" : " lines hold a NUL byte and were") +
        " not deleted:";
    for (const std::string& path : refused_)
        text += "\n" + path;
    if (refusedCount_ > refused_.size())
        text += "\n...";
    prompts_.error(text);
    return false;
}

} // namespace zandrel
