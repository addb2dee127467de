#include "base/MessageTexts.h"

#include <stdexcept>

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

std::size_t slot(int key)
{
    if (key < MessageTexts::kFirstKey || key > MessageTexts::kLastKey)
        throw std::out_of_range("message key " + std::to_string(key));
    return static_cast<std::size_t>(key - MessageTexts::kFirstKey);
}
} // namespace

MessageTexts::MessageTexts()
{
    for (int key = kFirstKey; key <= kLastKey; ++key)
        texts_[slot(key)] = kBuiltIn[slot(key)];
}

const std::string& MessageTexts::get(int key) const { return texts_[slot(key)]; }

void MessageTexts::set(int key, std::string text) { texts_[slot(key)] = std::move(text); }

const char* MessageTexts::builtIn(int key) { return kBuiltIn[slot(key)]; }

} // namespace zandrel
