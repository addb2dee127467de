#include "base/MessageTexts.h"

#include <charconv>
#include <optional>
#include <vector>

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
    "%1 of %2 {2:file|files} could not be deleted:",
    "%1 (result %2)",
    "%1 (holds a NUL byte)",
    "Sending %1 to the phone failed: %2 gave %3",
    "The list has %1 {1:line|lines}, more than the %2 this window shows.",
    "The list holds %1 {1:byte|bytes}, more than the %2 this window shows.",
    "A line of the list has %1 {1:byte|bytes}, more than the %2 this window shows in one line.",
    "It cannot be edited here; Clean of the list still deletes every line of it.",
    "Ticked: %1 {1:file|files}",
    "Ticked: %1 {1:file|files}, %2 kb",
    "Seem_Write failed with result %1; the tone databases are left as they were",
    "File too large to send:",
    "%1 {1:path was|paths were} left out of the list: a clean-list line cannot hold CR, LF or byte 1A",
    "Unable to write to",
    "Not enough memory for a list of %1 {1:file|files}",
    "Clean list larger than 64 MiB:",
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

namespace {
// The plural group starting at text[start] ("{N:" ... "}"), chosen by its argument's number, or
// nothing when text[start] does not open one (a brace of the text itself stays as it is).
std::optional<std::string> pluralGroup(const std::string& text, std::size_t start,
                                       std::initializer_list<std::string> args, std::size_t& end)
{
    if (start + 3 >= text.size() || text[start] != '{' || text[start + 2] != ':' ||
        text[start + 1] < '1' || text[start + 1] > '9')
        return std::nullopt;
    const auto arg = static_cast<std::size_t>(text[start + 1] - '1');
    const std::size_t close = text.find('}', start + 3);
    if (arg >= args.size() || close == std::string::npos)
        return std::nullopt;
    std::vector<std::string> forms;
    std::size_t from = start + 3;
    for (std::size_t bar; (bar = text.find('|', from)) < close; from = bar + 1)
        forms.push_back(text.substr(from, bar - from));
    forms.push_back(text.substr(from, close - from));
    unsigned long long count = 0;
    const std::string& number = args.begin()[arg];
    std::from_chars(number.data(), number.data() + number.size(), count);
    end = close;
    return forms[MessageTexts::pluralForm(count, forms.size())];
}
} // namespace

std::size_t MessageTexts::pluralForm(unsigned long long count, std::size_t forms)
{
    if (forms == 2)
        return count == 1 ? 0 : 1;
    if (forms != 3)
        return 0;
    const unsigned long long last = count % 10, lastTwo = count % 100;
    if (last == 1 && lastTwo != 11)
        return 0;
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        return 1;
    return 2;
}

std::string MessageTexts::format(const std::string& text, std::initializer_list<std::string> args)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::size_t groupEnd = 0;
        if (const std::optional<std::string> form = pluralGroup(text, i, args, groupEnd)) {
            out += format(*form, args);
            i = groupEnd;
            continue;
        }
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
