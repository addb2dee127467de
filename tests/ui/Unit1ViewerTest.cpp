// The list viewer and the About window are built when first shown, and a hidden viewer gets a
// newly opened list only when it is shown; the list itself is always the one last opened.
#include "MainWindowFixture.h"

#include "sweep/CleanListFile.h"
#include "ui/text/TextCodec.h"

#include <QPlainTextEdit>

using namespace zandrel;

namespace {
using Lines = std::vector<std::string>;

class ViewerTest : public MainWindowTest {
public:
    TempDir workDir;

    void openList(const std::string& name, const std::string& bytes)
    {
        workDir.write(name, bytes);
        prompts.answerOpen(workDir.file(name));
        trigger("Openlist1");
        EXPECT_EQ(prompts.take(), Lines{"open"});
    }
    Lines viewerLines()
    {
        return linesOf(cleanListFromText(toLocal8(Form2->Memo1->toPlainText())));
    }
    Lines deletedPaths()
    {
        Lines deleted;
        for (const std::string& call : callsAfterInit())
            if (call.starts_with("File_Delete "))
                deleted.push_back(call.substr(12));
        return deleted;
    }
    void cleanByList()
    {
        phone.calls.clear();
        click("BitBtn21");
        EXPECT_EQ(prompts.take(), Lines{"information: Deleted successfully"});
    }
};

TEST_F(ViewerTest, WindowsAreBuiltWhenFirstShown)
{
    create();
    delete Form2;
    Form2 = nullptr;
    delete Form3;
    Form3 = nullptr;

    openList("a.df", "/a/1\r\n/a/2\r\n");
    EXPECT_EQ(Form2, nullptr) << "opening a list builds no viewer";
    trigger("Viewlist1");
    ASSERT_NE(Form2, nullptr);
    EXPECT_TRUE(Form2->isVisible());
    EXPECT_EQ(viewerLines(), (Lines{"/a/1", "/a/2"}));

    trigger("Help1");
    ASSERT_NE(Form3, nullptr);
    EXPECT_TRUE(Form3->isVisible());
}

TEST_F(ViewerTest, HiddenViewerIsFilledWhenShownAndItsOldEditsCountForNothing)
{
    create();
    openList("a.df", "/a/1\r\n/a/2\r\n");
    click("BitBtn20");
    Form2->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(Form2->Memo1, "/a/typed");
    Form2->close();

    // A list opened while the viewer is hidden replaces the typed text.
    openList("b.df", "/b/1\r\n/b/2\r\n/b/3\r\n");
    EXPECT_EQ(linesOf(form->session().clean), (Lines{"/b/1", "/b/2", "/b/3"}));
    cleanByList();
    EXPECT_EQ(deletedPaths(), (Lines{"/b/1", "/b/2", "/b/3"}));

    click("BitBtn20");
    EXPECT_EQ(viewerLines(), (Lines{"/b/1", "/b/2", "/b/3"}));

    // Shown, the viewer follows at once, and what is typed there is deleted too.
    openList("c.df", "/c/1\r\n/c/2\r\n");
    EXPECT_EQ(viewerLines(), (Lines{"/c/1", "/c/2"}));
    Form2->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClicks(Form2->Memo1, "/c/typed");
    cleanByList();
    EXPECT_EQ(deletedPaths(), (Lines{"/c/1", "/c/2", "/c/typed"}));
}
} // namespace
