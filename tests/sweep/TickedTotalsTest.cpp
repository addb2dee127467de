// How many files are ticked and what they come to, kept by the list as ticks change.
#include "SessionFixture.h"

#include "sweep/ReadFromPhone.h"
#include "sweep/TickRules.h"
#include "sweep/TickedTotals.h"

#include <sstream>

using namespace zandrel;

namespace {
class TickedTotalsTest : public SessionTest {};

TEST_F(TickedTotalsTest, FollowEveryTickAndUntick)
{
    // The fake lists each file with its path's length as its size: 24, 8, 21 (and a Java file).
    phone.files = {"/a/mobile/audio/ring.mp3", "/a/x.gif", "/a/mobile/audio/b.amr",
                   "/a/mobile/kjava/g.jar"};
    // "read" with the eleven-call library, "fetchread" with one that can fetch, "tN"/"uN" tick
    // or untick entry N by hand, "audio" the audio rule.
    const struct {
        const char* script;
        std::uint64_t bytes;
        const char* text;
    } rows[] = {
        {"", 0, ""},
        {"read audio", 0, "Ticked: 2 files"},
        {"fetchread t0 t0 u1 u1", 24, "Ticked: 1 file, 1 kb"},
        {"fetchread t1 audio", 53, "Ticked: 3 files, 1 kb"},
        {"fetchread audio audio u0", 21, "Ticked: 1 file, 1 kb"},
        {"fetchread t0 t1 t2 u0 u1 u2", 0, "Ticked: 0 files, 0 kb"},
        {"fetchread audio read", 0, "Ticked: 0 files"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        session.sweep.clear();
        std::istringstream steps(row.script);
        for (std::string step; steps >> step;) {
            if (step.ends_with("read")) {
                phone.fetchable.reset();
                if (step == "fetchread")
                    phone.fetchable.emplace();
                ReadFromPhone(session);
            } else if (step == "audio") {
                TickByRule(session.sweep, TickRule::Audio);
            } else {
                session.sweep.setTicked(std::stoul(step.substr(1)), step[0] == 't');
            }
        }
        prompts.captions.clear();
        EXPECT_EQ(session.sweep.tickedBytes(), row.bytes);
        EXPECT_EQ(tickedTotalsText(session.sweep, texts), row.text);
    }
}

// Kilobytes are rounded up, and sizes past 4 GiB in all add up without overflow.
TEST(TickedTotals, SizesAddUpInKilobytesRoundedUp)
{
    SweepList list;
    list.setSizesKnown(true);
    for (const std::uint32_t size : {1024u, UINT32_MAX, UINT32_MAX, 1u})
        list.append("/a/f", size);
    list.setTicked(0, true);
    EXPECT_EQ(tickedTotalsText(list, MessageTexts()), "Ticked: 1 file, 1 kb");
    list.tickWhere([](std::string_view) { return true; });
    EXPECT_EQ(tickedTotalsText(list, MessageTexts()), "Ticked: 4 files, 8388609 kb");
}
} // namespace
