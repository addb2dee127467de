#include "sweep/DeletionPass.h"

namespace zandrel {

namespace {
// A few are enough to see what went wrong; the count tells how many there are.
constexpr std::size_t kFailuresNamed = 5;

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
    const bool passedOn = PhoneLink::libraryTakes(path_);
    if (passedOn && keeper_)
        keeper_->keep(path_);
    const int32_t result = passedOn ? phone_.fileDelete(path_) : PhoneLink::kPathRefused;
    if (result < 0) {
        if (failures_.size() < kFailuresNamed)
            failures_.push_back({withVisibleNul(path), result, passedOn});
        ++failureCount_;
    }
    ++done_;
    prompts_.progress(done_, total_);
}

bool DeletionPass::finish()
{
    if (const std::string notKept = keeper_ ? keeper_->endRun() : ""; !notKept.empty())
        prompts_.warning(notKept);
    if (done_ < total_)
        prompts_.progress(total_, total_);
    return failureCount_ == 0;
}

std::string DeletionPass::failureText(const MessageTexts& texts) const
{
    std::string text = MessageTexts::format(texts.get(MessageText::NotDeleted),
                                            {std::to_string(failureCount_), std::to_string(done_)});
    for (const Failure& failure : failures_) {
        text += "\n";
        text += failure.passedOn
                    ? MessageTexts::format(texts.get(MessageText::DeleteResult),
                                           {failure.path, std::to_string(failure.result)})
                    : MessageTexts::format(texts.get(MessageText::NulInPath), {failure.path});
    }
    if (failureCount_ > failures_.size())
        text += "\n...";
    return text;
}

} // namespace zandrel
