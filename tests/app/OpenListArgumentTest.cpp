// A clean list named on the command line (or handed over by a later start) opens as "Open list"
// opens it, with the same boxes, and is shown.
#include "MainWindowFixture.h"

#include "sweep/CleanListFile.h"

#include <atomic>
#include <sys/stat.h>
#include <unistd.h>

using namespace zandrel;

namespace {
class OpenListArgumentTest : public MainWindowTest {
protected:
    TempDir lists;

    void SetUp() override
    {
        lists.write("good.df", "/a/one\r\n/a/two\r\n");
        lists.write("folder/inside.df", "");
        lists.write("huge.df", "");
        ASSERT_EQ(::truncate(lists.file("huge.df").c_str(), kLargestCleanList + 1), 0);
        ASSERT_EQ(::mkfifo(lists.file("pipe.df").c_str(), 0600), 0);
        create();
    }
    // The boxes one way of opening showed, then the list it left.
    Lines opened(const std::string& name, bool byMenu)
    {
        form->session().clean = pathList({"/before"});
        if (byMenu) {
            prompts.answerOpen(lists.file(name));
            trigger("Openlist1");
        } else {
            form->openListFile(lists.file(name));
        }
        Lines result = prompts.take();
        if (byMenu && !result.empty() && result[0] == "open")
            result.erase(result.begin());
        for (const std::string& line : linesOf(form->session().clean))
            result.push_back(line);
        return result;
    }
};

TEST_F(OpenListArgumentTest, TheSameListAndTheSameBoxesAsOpenList)
{
    const struct {
        const char* name;
        bool good;
    } rows[] = {{"good.df", true}, {"missing.df", false}, {"nofolder/a.df", false},
                {"folder", false}, {"huge.df", false},    {"pipe.df", false}};
    for (const auto& row : rows) {
        const Lines byMenu = opened(row.name, true);
        Form2->hide();
        const Lines byArgument = opened(row.name, false);
        EXPECT_EQ(byArgument, byMenu) << row.name;
        ASSERT_FALSE(byArgument.empty()) << row.name;
        const Lines expected =
            row.good ? Lines{"/a/one", "/a/two"} : Lines{byArgument[0], "/before"};
        EXPECT_EQ(byArgument, expected);
        EXPECT_EQ(byArgument[0].starts_with("error: "), !row.good) << byArgument[0];
        EXPECT_EQ(Form2->isVisible(), row.good) << row.name; // shown: what it was opened for
    }
}

TEST_F(OpenListArgumentTest, AListHandedOverWhileAHandlerRunsOpensWhenItEnds)
{
    phone.files = {"/a/mobile/audio/x.mp3"};
    std::atomic<bool> inCall = false;
    phone.onCall = [&](const std::string&) {
        inCall = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    Lines cleanDuringRead{"not asked"};
    // Runs on the window's thread while the read waits for the phone.
    const auto poll = every(1, [&] {
        if (inCall && cleanDuringRead == Lines{"not asked"}) {
            form->openListFile(lists.file("good.df"));
            cleanDuringRead = linesOf(form->session().clean);
        }
    });
    click("BitBtn11");
    EXPECT_EQ(cleanDuringRead, Lines{});
    EXPECT_EQ(linesOf(form->session().clean), (Lines{"/a/one", "/a/two"}));
    prompts.take();
}
} // namespace
