// A clean list named on the command line (or handed over by a later start) opens as "Open list"
// opens it: the same list, the same error boxes.
#include "MainWindowFixture.h"

#include "sweep/CleanListFile.h"
#include "ui/text/TextCodec.h"

#include <QPlainTextEdit>

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
        lists.write("folder/inside.df", "/a/x\r\n");
        lists.write("huge.df", "");
        ASSERT_EQ(::truncate(lists.file("huge.df").c_str(), kLargestCleanList + 1), 0);
        ASSERT_EQ(::mkfifo(lists.file("pipe.df").c_str(), 0600), 0);
        create();
    }

    // What one way of opening leaves: the boxes shown and the list held.
    std::pair<Lines, Lines> openedByMenu(const std::string& name)
    {
        form->session().clean = pathList({"/before"});
        prompts.answerOpen(lists.file(name));
        trigger("Openlist1");
        Lines boxes = prompts.take();
        EXPECT_FALSE(boxes.empty());
        if (!boxes.empty())
            boxes.erase(boxes.begin()); // the dialog itself
        return {boxes, linesOf(form->session().clean)};
    }
    std::pair<Lines, Lines> openedByArgument(const std::string& name)
    {
        form->session().clean = pathList({"/before"});
        form->openListFile(lists.file(name));
        return {prompts.take(), linesOf(form->session().clean)};
    }
};

TEST_F(OpenListArgumentTest, TheSameListAndTheSameBoxesAsOpenList)
{
    const struct {
        const char* name;
        Lines list;
        bool box;
    } rows[] = {
        {"good.df", {"/a/one", "/a/two"}, false},
        {"missing.df", {"/before"}, true},
        {"nofolder/missing.df", {"/before"}, true},
        {"folder", {"/before"}, true},
        {"huge.df", {"/before"}, true},
        {"pipe.df", {"/before"}, true},
    };
    for (const auto& row : rows) {
        const auto byMenu = openedByMenu(row.name);
        Form2->hide();
        const auto byArgument = openedByArgument(row.name);
        EXPECT_EQ(byArgument, byMenu) << row.name;
        EXPECT_EQ(byArgument.second, row.list) << row.name;
        EXPECT_EQ(byArgument.first.size(), row.box ? 1u : 0u) << row.name;
        if (row.box && !byArgument.first.empty()) {
            EXPECT_TRUE(byArgument.first[0].starts_with("error: ")) << byArgument.first[0];
        }
        // A list opened from outside is shown: it is what the user opened it for.
        EXPECT_EQ(Form2->isVisible(), !row.box) << row.name;
    }
    EXPECT_EQ(linesOf(cleanListFromText(toLocal8(Form2->Memo1->toPlainText()))), rows[0].list);
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
    bool handedOver = false;
    // Runs on the window's thread while the read waits for the phone.
    const auto poll = every(1, [&] {
        if (!handedOver && inCall) {
            handedOver = true;
            form->openListFile(lists.file("good.df"));
            cleanDuringRead = linesOf(form->session().clean);
        }
    });
    click("BitBtn11");
    ASSERT_TRUE(handedOver);
    EXPECT_TRUE(cleanDuringRead.empty());
    EXPECT_EQ(linesOf(form->session().clean), (Lines{"/a/one", "/a/two"}));
    prompts.take();
}
} // namespace
