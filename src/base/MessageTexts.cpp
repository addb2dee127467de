#include "base/MessageTexts.h"

namespace zandrel {

namespace {
constexpr const char* kBuiltIn[] = {
    "Receiving file list. Please wait...",
    "Status: Connectet",
    "Status: Disconnected",
    "Free:",
    "Deleted successfully",
    "Not list",
    "Please reed file list from phone",
};
static_assert(std::size(kBuiltIn) == MessageTexts::kLastKey - MessageTexts::kFirstKey + 1);

std::size_t slot(MessageText text)
{
    return static_cast<std::size_t>(static_cast<int>(text) - MessageTexts::kFirstKey);
}
} // namespace

MessageTexts::MessageTexts()
{
    for (int key = kFirstKey; key <= kLastKey; ++key)
        texts_[slot(MessageText(key))] = kBuiltIn[slot(MessageText(key))];
}

const std::string& MessageTexts::get(MessageText text) const { return texts_.at(slot(text)); }

void MessageTexts::set(MessageText text, std::string value)
{
    texts_.at(slot(text)) = std::move(value);
}

const char* MessageTexts::builtIn(MessageText text) { return kBuiltIn[slot(text)]; }

} // namespace zandrel
