#include "sweep/TickRules.h"

#include <algorithm>

namespace zandrel {

namespace {
constexpr std::string_view kAudio = "/a/mobile/audio";
constexpr std::string_view kAudioKept = "/a/mobile/audio/funlight.pat";
constexpr std::string_view kPictures = "/a/mobile/picture";
constexpr std::string_view kNotUsed = "/a/mobile/mib/pcf";
constexpr std::string_view kMms = "/a/mobile/mms/mmstemplate";
constexpr std::string_view kVideo = "/a/mobile/video";
constexpr std::size_t kTailLength = 3;

// The key is the first `head` bytes of the path followed by its last three, each part being
// the whole path when the path is shorter. The literal is compared against that key without
// building it: a key only has the literal's length when the path is long enough for both parts.
bool headAndTailEquals(std::string_view path, std::size_t head, std::string_view literal)
{
    const std::size_t headLength = std::min(head, path.size());
    const std::size_t tailLength = std::min(kTailLength, path.size());
    if (headLength + tailLength != literal.size())
        return false;
    return path.substr(0, headLength) == literal.substr(0, headLength) &&
           path.substr(path.size() - tailLength) == literal.substr(headLength);
}
} // namespace

bool rulePasses(TickRule rule, std::string_view path)
{
    switch (rule) {
    case TickRule::Audio:
        return path.starts_with(kAudio) && path != kAudioKept;
    case TickRule::Pictures:
        return path.starts_with(kPictures);
    case TickRule::NotUsed:
        return path.starts_with(kNotUsed);
    case TickRule::PicturesFromRoot:
        return headAndTailEquals(path, 3, "/a/gif") || headAndTailEquals(path, 3, "/a/png");
    case TickRule::Mms:
        return path.starts_with(kMms);
    case TickRule::CameraSound:
        return headAndTailEquals(path, 12, "/a/mobile/syamr") ||
               headAndTailEquals(path, 12, "/a/mobile/sywav");
    case TickRule::Theme:
        return headAndTailEquals(path, 3, "/a/tcf");
    case TickRule::Video:
        return path.starts_with(kVideo);
    }
    return false;
}

void TickByRule(SweepList& list, TickRule rule)
{
    const std::size_t n = list.size();
    for (std::size_t i = 0; i < n; ++i)
        if (rulePasses(rule, list.path(i)))
            list.setTicked(i, true);
}

bool SearchBySuffix(SweepList& list, std::string_view text)
{
    // Selecting every match in turn leaves the last one selected, so look from the end.
    for (std::size_t i = list.size(); i-- > 0;) {
        if (list.path(i).ends_with(text)) {
            list.select(i);
            return true;
        }
    }
    return false;
}

} // namespace zandrel
