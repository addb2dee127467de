#include "sweep/TickRules.h"

#include <cstring>

namespace zandrel {

namespace {
constexpr std::string_view kAudioKept = "/a/mobile/audio/funlight.pat";
constexpr std::size_t kTailLength = 3;

// A literal whose length the compiler knows, so each comparison becomes a few fixed-size loads
// rather than a call.
template <std::size_t N> struct Literal {
    char bytes[N - 1];
    consteval Literal(const char (&text)[N])
    {
        for (std::size_t i = 0; i + 1 < N; ++i)
            bytes[i] = text[i];
    }
    static constexpr std::size_t size = N - 1;
};

// Always inlined: each rule's pass over the list should hold its comparisons in the loop itself.
template <Literal L> [[gnu::always_inline]] inline bool startsWith(std::string_view path)
{
    return path.size() >= L.size && std::memcmp(path.data(), L.bytes, L.size) == 0;
}

template <std::size_t Head, Literal First, Literal Other> consteval bool sameHead()
{
    for (std::size_t i = 0; i < Head; ++i)
        if (Other.bytes[i] != First.bytes[i])
            return false;
    return true;
}

// The key is the first `Head` bytes of the path followed by its last three, each part being the
// whole path when the path is shorter. Such a key only has the literals' length Head + 3 when
// the path holds at least Head bytes (Head >= 3 here); the two parts may then overlap. The
// literals share their head, so it is compared once, and the tail against each literal's.
template <std::size_t Head, Literal First, Literal... Others>
[[gnu::always_inline]] inline bool headAndTailEquals(std::string_view path)
{
    static_assert(Head >= kTailLength && First.size == Head + kTailLength);
    static_assert(((Others.size == First.size && sameHead<Head, First, Others>()) && ...));
    if (path.size() < Head || std::memcmp(path.data(), First.bytes, Head) != 0)
        return false;
    const char* tail = path.data() + path.size() - kTailLength;
    return std::memcmp(tail, First.bytes + Head, kTailLength) == 0 ||
           ((std::memcmp(tail, Others.bytes + Head, kTailLength) == 0) || ...);
}

// One lambda, and so one type, per rule: the pass over the list is instantiated for each test
// and the test inlined into it.
constexpr auto audio = [](std::string_view path) {
    return startsWith<"/a/mobile/audio">(path) && path != kAudioKept;
};
constexpr auto pictures = [](std::string_view path) {
    return startsWith<"/a/mobile/picture">(path);
};
constexpr auto notUsed = [](std::string_view path) {
    return startsWith<"/a/mobile/mib/pcf">(path);
};
constexpr auto picturesFromRoot = [](std::string_view path) {
    return headAndTailEquals<3, "/a/gif", "/a/png">(path);
};
constexpr auto mms = [](std::string_view path) {
    return startsWith<"/a/mobile/mms/mmstemplate">(path);
};
constexpr auto cameraSound = [](std::string_view path) {
    return headAndTailEquals<12, "/a/mobile/syamr", "/a/mobile/sywav">(path);
};
constexpr auto theme = [](std::string_view path) { return headAndTailEquals<3, "/a/tcf">(path); };
constexpr auto video = [](std::string_view path) { return startsWith<"/a/mobile/video">(path); };

// Chooses the rule's test once, outside any loop.
template <typename Visit> decltype(auto) withTest(TickRule rule, Visit&& visit)
{
    switch (rule) {
    case TickRule::Audio:
        return visit(audio);
    case TickRule::Pictures:
        return visit(pictures);
    case TickRule::NotUsed:
        return visit(notUsed);
    case TickRule::PicturesFromRoot:
        return visit(picturesFromRoot);
    case TickRule::Mms:
        return visit(mms);
    case TickRule::CameraSound:
        return visit(cameraSound);
    case TickRule::Theme:
        return visit(theme);
    case TickRule::Video:
        break;
    }
    return visit(video);
}
} // namespace

bool rulePasses(TickRule rule, std::string_view path)
{
    return withTest(rule, [path](auto test) { return test(path); });
}

void TickByRule(SweepList& list, TickRule rule)
{
    withTest(rule, [&list](auto test) { list.tickWhere(test); });
}

bool SearchBySuffix(SweepList& list, std::string_view text)
{
    // Selecting every match in turn leaves the last one selected, so look from the end. An empty
    // text ends every path, and memcmp must not see its possibly null data.
    const PathList& paths = list.paths();
    const std::size_t m = text.size();
    for (std::size_t i = paths.size(); i-- > 0;) {
        const std::string_view path = paths[i];
        if (path.size() >= m &&
            (m == 0 || std::memcmp(path.data() + path.size() - m, text.data(), m) == 0)) {
            list.select(i);
            return true;
        }
    }
    return false;
}

} // namespace zandrel
