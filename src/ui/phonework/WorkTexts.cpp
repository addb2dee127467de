#include "ui/phonework/WorkTexts.h"

#include "base/IniFile.h"

#include <iterator>

namespace {
// In the order of WorkText.
constexpr const char* kBuiltIn[] = {
    "Stop",
    "Reading stopped: the list is as it was before the read.",
    "Sending %1 stopped before the phone's file was touched; it is as it was.",
    "Ring Fix stopped after the ring record was written: %1 of %2 tone {2:database|databases} "
    "deleted, the rest left on the phone.",
};
static_assert(std::size(kBuiltIn) == static_cast<std::size_t>(WorkText::Count));
} // namespace

WorkTexts::WorkTexts()
{
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i] = kBuiltIn[i];
}

const char* WorkTexts::builtIn(WorkText text) { return kBuiltIn[static_cast<int>(text)]; }

WorkTexts WorkTexts::load(const std::string& path)
{
    WorkTexts texts;
    zandrel::readNumberedTexts(path, kSection, kFirstKey, kBuiltIn, texts.texts_);
    return texts;
}
