#include "sweep/TickedTotals.h"

namespace zandrel {

std::string tickedTotalsText(const SweepList& list, const MessageTexts& texts)
{
    if (list.empty())
        return {};
    const std::string count = std::to_string(list.tickedCount());
    if (!list.sizesKnown())
        return MessageTexts::format(texts.get(MessageText::TickedFiles), {count});
    // Rounded up: a ticked file of a few bytes still frees something.
    const std::uint64_t kilobytes = (list.tickedBytes() + 1023) / 1024;
    return MessageTexts::format(texts.get(MessageText::TickedSize),
                                {count, std::to_string(kilobytes)});
}

} // namespace zandrel
