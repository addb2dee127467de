#include "sweep/TickRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zandrel;

namespace {
struct RuleRow {
    TickRule rule;
    std::string path;
    bool ticks;
};

std::ostream& operator<<(std::ostream& out, const RuleRow& row)
{
    return out << "rule " << static_cast<int>(row.rule) << " on \"" << row.path << "\"";
}

class RuleTable : public testing::TestWithParam<RuleRow> {};

TEST_P(RuleTable, PassesExactlyTheRulesPaths)
{
    const RuleRow& row = GetParam();
    EXPECT_EQ(rulePasses(row.rule, row.path), row.ticks);

    // The same answer through the list, at index 0 where a careless loop would skip it.
    SweepList list;
    list.append(row.path);
    list.append("/z");
    TickByRule(list, row.rule);
    EXPECT_EQ(list.ticked(0), row.ticks);
}

using R = TickRule;
INSTANTIATE_TEST_SUITE_P(Audio, RuleTable,
                         testing::Values(RuleRow{R::Audio, "/a/mobile/audio", true},
                                         RuleRow{R::Audio, "/a/mobile/audio/ring.mp3", true},
                                         RuleRow{R::Audio, "/a/mobile/audio2/ring.mp3", true},
                                         RuleRow{R::Audio, "/a/mobile/audiobooks/x.amr", true},
                                         RuleRow{R::Audio, "/a/mobile/audio/funlight.pat", false},
                                         RuleRow{R::Audio, "/a/mobile/audio/Funlight.pat", true},
                                         RuleRow{R::Audio, "/a/mobile/audio/funlight.pat2", true},
                                         RuleRow{R::Audio, "/a/mobile/audio/sub/funlight.pat",
                                                 true},
                                         RuleRow{R::Audio, "/a/mobile/Audio/ring.mp3", false},
                                         RuleRow{R::Audio, "/a/mobile/audi", false},
                                         RuleRow{R::Audio, "/b/mobile/audio/ring.mp3", false},
                                         RuleRow{R::Audio, " /a/mobile/audio/ring.mp3", false}));

INSTANTIATE_TEST_SUITE_P(PrefixRules, RuleTable,
                         testing::Values(RuleRow{R::Pictures, "/a/mobile/picture/cat.gif", true},
                                         RuleRow{R::Pictures, "/a/mobile/pictures", true},
                                         RuleRow{R::Pictures, "/a/mobile/pictur", false},
                                         RuleRow{R::Pictures, "/a/mobile/Picture/cat.gif", false},
                                         RuleRow{R::Pictures, "/a/cat.gif", false},
                                         RuleRow{R::NotUsed, "/a/mobile/mib/pcf", true},
                                         RuleRow{R::NotUsed, "/a/mobile/mib/pcf01.dat", true},
                                         RuleRow{R::NotUsed, "/a/mobile/mib/pc", false},
                                         RuleRow{R::NotUsed, "/a/mobile/mib/PCF01.dat", false},
                                         RuleRow{R::Mms, "/a/mobile/mms/mmstemplate", true},
                                         RuleRow{R::Mms, "/a/mobile/mms/mmstemplate/t1.mms", true},
                                         RuleRow{R::Mms, "/a/mobile/mms/mmstemplat", false},
                                         RuleRow{R::Mms, "/a/mobile/mms/inbox/m1.mms", false},
                                         RuleRow{R::Video, "/a/mobile/video", true},
                                         RuleRow{R::Video, "/a/mobile/video/clip.3gp", true},
                                         RuleRow{R::Video, "/a/mobile/videos/clip.3gp", true},
                                         RuleRow{R::Video, "/a/mobile/vide", false},
                                         RuleRow{R::Video, "/a/mobile/Video/clip.3gp", false}));

INSTANTIATE_TEST_SUITE_P(
    PicturesFromRoot, RuleTable,
    testing::Values(
        RuleRow{R::PicturesFromRoot, "/a/gif", true}, RuleRow{R::PicturesFromRoot, "/a/png", true},
        RuleRow{R::PicturesFromRoot, "/a/if", false}, RuleRow{R::PicturesFromRoot, "/a/gi", false},
        RuleRow{R::PicturesFromRoot, "/a/", false}, RuleRow{R::PicturesFromRoot, "gif", false},
        RuleRow{R::PicturesFromRoot, "/agif", false},
        RuleRow{R::PicturesFromRoot, "/a/cat.gif", true},
        RuleRow{R::PicturesFromRoot, "/a/catgif", true},
        RuleRow{R::PicturesFromRoot, "/a/mobile/picture/cat.gif", true},
        RuleRow{R::PicturesFromRoot, "/a/mobile/picture/dog.png", true},
        RuleRow{R::PicturesFromRoot, "/a/cat.GIF", false},
        RuleRow{R::PicturesFromRoot, "/a/cat.gifx", false},
        RuleRow{R::PicturesFromRoot, "/a/cat.jpg", false},
        RuleRow{R::PicturesFromRoot, "/b/cat.gif", false},
        RuleRow{R::PicturesFromRoot, "/A/cat.gif", false}));

INSTANTIATE_TEST_SUITE_P(
    CameraSoundAndTheme, RuleTable,
    testing::Values(RuleRow{R::CameraSound, "/a/mobile/system/shutter.wav", true},
                    RuleRow{R::CameraSound, "/a/mobile/system/shutter.amr", true},
                    RuleRow{R::CameraSound, "/a/mobile/syamr", true},
                    RuleRow{R::CameraSound, "/a/mobile/sywav", true},
                    RuleRow{R::CameraSound, "/a/mobile/sy.xwav", true},
                    RuleRow{R::CameraSound, "/a/mobile/syam", false},
                    RuleRow{R::CameraSound, "/a/mobile/sy", false},
                    RuleRow{R::CameraSound, "/a/mobile/system/shutter.mp3", false},
                    RuleRow{R::CameraSound, "/a/mobile/system/shutter.WAV", false},
                    RuleRow{R::CameraSound, "/a/mobile/audio/ring.amr", false},
                    RuleRow{R::CameraSound, "/a/mobile/Sy/ring.amr", false},
                    RuleRow{R::Theme, "/a/tcf", true},
                    RuleRow{R::Theme, "/a/mobile/skins/blue.tcf", true},
                    RuleRow{R::Theme, "/a/bluetcf", true}, RuleRow{R::Theme, "/a/tc", false},
                    RuleRow{R::Theme, "/a/blue.TCF", false},
                    RuleRow{R::Theme, "/b/blue.tcf", false}));

const std::vector<TickRule> kAllRules = {R::Audio, R::Pictures,    R::NotUsed, R::PicturesFromRoot,
                                         R::Mms,   R::CameraSound, R::Theme,   R::Video};

TEST(TickRules, PathsShorterThanAnyLiteralPassNoRule)
{
    for (const char* path : {"", "/", "a", "/a", "gif", "tcf", "/a/", "amr"})
        for (TickRule rule : kAllRules)
            EXPECT_FALSE(rulePasses(rule, path)) << static_cast<int>(rule) << " \"" << path << "\"";
}

TEST(TickRules, RulesOnlyTickAndLeaveTheSelectionAlone)
{
    SweepList list;
    list.append("/a/mobile/audio/a.mp3"); // matches, unticked by the user
    list.append("/a/mobile/video/v.3gp"); // does not match, ticked by hand
    list.append("/a/mobile/audio/b.mp3"); // matches, already ticked
    list.append("/a/other");              // does not match, not ticked
    list.setTicked(1, true);
    list.setTicked(2, true);
    list.select(3);

    TickByRule(list, TickRule::Audio);
    const std::vector<bool> expected = {true, true, true, false};
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list.ticked(i), expected[i]) << i;
    EXPECT_EQ(list.selected(), 3u);

    TickByRule(list, TickRule::Audio); // a second press changes nothing
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list.ticked(i), expected[i]) << i;
}

TEST(TickRules, EmptyListIsFine)
{
    SweepList list;
    for (TickRule rule : kAllRules)
        TickByRule(list, rule);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(SearchBySuffix(list, ""));
    EXPECT_FALSE(list.selected().has_value());
}

SweepList listOf(const std::vector<std::string>& paths)
{
    SweepList list;
    for (const auto& path : paths)
        list.append(path);
    return list;
}

TEST(SearchBySuffix, LastMatchStaysSelected)
{
    SweepList list = listOf({"/a/0.mp3", "/a/1.txt", "/a/2.mp3", "/a/3.jar", "/a/4.mp3", "/a/5.txt",
                             "/a/6.mp3", "/a/7.jar", "/a/8.mp3"});
    EXPECT_TRUE(SearchBySuffix(list, "jar"));
    EXPECT_EQ(list.selected(), 7u);
    EXPECT_TRUE(SearchBySuffix(list, "/a/0.mp3")); // the whole path is a suffix too
    EXPECT_EQ(list.selected(), 0u);
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_FALSE(list.ticked(i));
}

TEST(SearchBySuffix, EmptyTextSelectsTheLastEntry)
{
    SweepList list = listOf({"/a/x", "", "/a/y"});
    list.select(0);
    EXPECT_TRUE(SearchBySuffix(list, ""));
    EXPECT_EQ(list.selected(), 2u);
}

TEST(SearchBySuffix, NoMatchKeepsTheSelection)
{
    struct Row {
        const char* text;
        const char* why;
    };
    for (const Row row :
         {Row{"/a/mobile/audio/long.mp3", "longer than every path"}, Row{".MP3", "case differs"},
          Row{"mp3 ", "trailing space counts"}, Row{"x.mp", "not at the end"}}) {
        SweepList list = listOf({"/a/x.mp3", "/a/y.mp3", "/b"});
        list.select(1);
        EXPECT_FALSE(SearchBySuffix(list, row.text)) << row.why;
        EXPECT_EQ(list.selected(), 1u) << row.why;
    }
    SweepList unselected = listOf({"/a/x.mp3"});
    EXPECT_FALSE(SearchBySuffix(unselected, ".wav"));
    EXPECT_FALSE(unselected.selected().has_value());
}
} // namespace
