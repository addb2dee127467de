// How many files are ticked and what they come to, kept by the list as ticks change, and the
// status bar's text for them.
#include "SessionFixture.h"

#include "sweep/ReadFromPhone.h"
#include "sweep/TickRules.h"
#include "sweep/TickedTotals.h"

#include <sstream>

using namespace zandrel;

namespace {
// The fake lists each file with its path's length as its size: 24, 8, 21 (and a Java file).
const Lines kPhone = {"/a/mobile/audio/ring.mp3", "/a/x.gif", "/a/mobile/audio/b.amr",
                      "/a/mobile/kjava/g.jar"};

class TickedTotalsTest : public SessionTest {
protected:
    // "read" reads with the eleven-function library, "fetchread" with one that can fetch,
    // "tN"/"uN" tick or untick entry N by hand, "audio" runs the audio rule.
    void act(const std::string& script)
    {
        std::istringstream steps(script);
        for (std::string step; steps >> step;) {
            if (step == "read" || step == "fetchread") {
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
    }
};

TEST_F(TickedTotalsTest, FollowEveryTickAndUntick)
{
    phone.files = kPhone;
    const struct {
        const char* script;
        std::size_t count;
        std::uint64_t bytes;
        const char* text;
    } rows[] = {
        {"", 0, 0, ""},
        {"read", 0, 0, "Ticked: 0 files"},
        {"read t0", 1, 0, "Ticked: 1 file"},
        {"read audio", 2, 0, "Ticked: 2 files"},
        {"fetchread", 0, 0, "Ticked: 0 files, 0 kb"},
        {"fetchread t0", 1, 24, "Ticked: 1 file, 1 kb"},
        {"fetchread t0 t0 u1 u1", 1, 24, "Ticked: 1 file, 1 kb"},
        {"fetchread t1 audio", 3, 53, "Ticked: 3 files, 1 kb"},
        {"fetchread audio audio u0", 1, 21, "Ticked: 1 file, 1 kb"},
        {"fetchread t0 t1 t2 u0 u1 u2", 0, 0, "Ticked: 0 files, 0 kb"},
        {"fetchread audio read", 0, 0, "Ticked: 0 files"},
        {"read t0 fetchread", 0, 0, "Ticked: 0 files, 0 kb"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        session.sweep.clear();
        act(row.script);
        prompts.captions.clear();
        EXPECT_EQ(session.sweep.tickedCount(), row.count);
        EXPECT_EQ(session.sweep.tickedBytes(), row.bytes);
        // The totals agree with the ticks themselves.
        std::size_t count = 0;
        std::uint64_t bytes = 0;
        for (std::size_t i = 0; i < session.sweep.size(); ++i)
            if (session.sweep.ticked(i)) {
                ++count;
                bytes += session.sweep.fileBytes(i);
            }
        EXPECT_EQ(count, row.count);
        EXPECT_EQ(bytes, row.bytes);
        EXPECT_EQ(tickedTotalsText(session.sweep, texts), row.text);
    }
}

// Kilobytes are rounded up, and sizes past 4 GiB in all add up without overflow.
TEST(TickedTotals, SizesAddUpInKilobytesRoundedUp)
{
    const MessageTexts texts;
    const struct {
        std::vector<std::uint32_t> sizes;
        const char* text;
    } rows[] = {
        {{1}, "Ticked: 1 file, 1 kb"},
        {{1024}, "Ticked: 1 file, 1 kb"},
        {{1024, 1}, "Ticked: 2 files, 2 kb"},
        {{0, 0}, "Ticked: 2 files, 0 kb"},
        {{UINT32_MAX, UINT32_MAX, 2}, "Ticked: 3 files, 8388608 kb"},
    };
    for (const auto& row : rows) {
        SweepList list;
        list.setSizesKnown(true);
        for (const std::uint32_t size : row.sizes)
            list.append("/a/f", size);
        list.tickWhere([](std::string_view) { return true; });
        EXPECT_EQ(tickedTotalsText(list, texts), row.text);
    }
}
} // namespace
