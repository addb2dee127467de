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
    "%1 of %2 files could not be deleted:",
    "%1 (result %2)",
    "%1 (holds a NUL byte)",
    "Sending %1 to the phone failed: %2 gave %3",
    "The list has %1 lines, more than the %2 this window shows.",
    "The list holds %1 bytes, more than the %2 this window shows.",
    "A line of the list has %1 bytes, more than the %2 this window shows in one line.",
    "It cannot be edited here; Clean of the list still deletes every line of it.",
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

std::string MessageTexts::format(const std::string& text, std::initializer_list<std::string> args)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool numbered =
            text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
        const auto arg = numbered ? static_cast<std::size_t>(text[i + 1] - '1') : args.size();
        if (arg < args.size()) {
            out += args.begin()[arg];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

const char* MessageTexts::builtIn(MessageText text) { return kBuiltIn[slot(text)]; }

} // namespace zandrel
