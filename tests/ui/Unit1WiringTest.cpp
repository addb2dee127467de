// Every button, menu item and shortcut key reaches its operation.
#include "MainWindowFixture.h"

#include "sweep/CleanListFile.h"
#include "ui/text/TextCodec.h"

#include <QPlainTextEdit>

#include <functional>

using namespace zandrel;

namespace {
using Calls = std::vector<std::string>;

const std::vector<std::string> kSweep = {
    "/a/mobile/audio/a.mp3",
    "/a/mobile/picture/p.jpg",
    "/a/mobile/mib/pcf/x",
    "/a/x.gif",
    "/a/mobile/mms/mmstemplate1",
    "/a/mobile/sys/shutter.wav",
    "/a/t.tcf",
    "/a/mobile/video/v.3gp",
    "/b/ticked.txt",
};

// A working folder with the tools' local files, and a window whose lists hold something for
// every operation to work on.
class WiringTest : public MainWindowTest {
public:
    TempDir workDir;
    std::unique_ptr<WorkingDirectory> cwd;

    void SetUp() override
    {
        workDir.write("seem/004c_0001.seem", "SEEM");
        workDir.write("orfiles/mma_ucp(c650)", "c650-mma");
        workDir.write("orfiles/mma_ucp(E398)", "e398-mma!");
        workDir.write("orfiles/WebSession", "web");
        workDir.write("list.df", "/c/first\r\n/c/second\r\n");
        cwd = std::make_unique<WorkingDirectory>(workDir.path());
        create();
        // One entry for each rule, and one that only the user ticked.
        fillSweep(kSweep, {8});
        form->session().java.push_back("/a/mobile/kjava/game.jar");
        form->session().clean.push_back("/c/1");
        form->session().clean.push_back("/c/2");
        phone.files = {"/a/one", "/a/mobile/kjava/two.jar", "/a/three"};
    }

    void TearDown() override
    {
        destroy();
        cwd.reset();
    }
};

struct Operation {
    const char* name;
    std::function<void(WiringTest&)> arrange;
    std::function<void(WiringTest&)> check;
};

const Operation kCleanTicked{
    "CleanTicked", nullptr, [](WiringTest& t) {
        Calls expected = {"File_Delete /b/ticked.txt"};
        expected.insert(expected.end(), kRingFixCalls.begin(), kRingFixCalls.end());
        EXPECT_EQ(t.callsAfterInit(), expected);
        EXPECT_EQ(t.prompts.take(), Records{"information: Deleted successfully"});
    }};

const Operation kRead{
    "ReadFromPhone", nullptr, [](WiringTest& t) {
        EXPECT_EQ(t.callsAfterInit(), (Calls{"P2K_GetStatus", "File_Count", "File_List 3"}));
        EXPECT_EQ(t.shownRows(), (Records{"/a/one", "/a/three"}));
    }};

const Operation kRestart{"P2K_Restart", nullptr, [](WiringTest& t) {
                             EXPECT_EQ(t.callsAfterInit(), Calls{"P2K_Restart"});
                         }};

Operation tickRule(const char* name, std::vector<std::size_t> ticked)
{
    return {name, nullptr, [ticked](WiringTest& t) {
                EXPECT_TRUE(t.callsAfterInit().empty());
                const SweepList& list = t.form->session().sweep;
                std::vector<std::size_t> actual;
                for (std::size_t i = 0; i < list.size(); ++i)
                    if (list.ticked(i))
                        actual.push_back(i);
                EXPECT_EQ(actual, ticked);
            }};
}

const Operation kSearch{
    "SearchBySuffix", [](WiringTest& t) { t.find<QLineEdit>("Edit1")->setText(".gif"); },
    [](WiringTest& t) {
        EXPECT_EQ(t.form->session().sweep.selected(), std::optional<std::size_t>(3));
        auto* view = t.find<QListView>("CheckListBox1");
        EXPECT_EQ(view->selectionModel()->selectedIndexes().value(0).row(), 3);
    }};

Operation upload(const char* name, const char* phonePath, const std::string& bytes)
{
    return {name, nullptr, [=](WiringTest& t) {
                EXPECT_EQ(t.callsAfterInit(), uploadCalls(phonePath, bytes.size()));
                ASSERT_EQ(t.phone.writtenBuffers.size(), 1u);
                EXPECT_EQ(t.phone.writtenBuffers[0], bytes + '\0');
            }};
}

const Operation kWebSession = upload("UploadWebSession", "/a/WebSession", "web");
const Operation kMmaC650 = upload("UploadMmaC650", "/a/mobile/system/mma_ucp", "c650-mma");
const Operation kMmaE398 = upload("UploadMmaE398", "/a/mobile/system/mma_ucp", "e398-mma!");

const Operation kCleanJava{"CleanJava", nullptr, [](WiringTest& t) {
                               EXPECT_EQ(t.callsAfterInit(),
                                         Calls{"File_Delete /a/mobile/kjava/game.jar"});
                           }};

const Operation kRingFix{"RingFix", nullptr,
                         [](WiringTest& t) { EXPECT_EQ(t.callsAfterInit(), kRingFixCalls); }};

const Operation kOpenList{
    "OpenCleanList", [](WiringTest& t) { t.prompts.answerOpen(t.workDir.file("list.df")); },
    [](WiringTest& t) {
        EXPECT_EQ(t.prompts.take(), Records{"open"});
        t.click("BitBtn20"); // a hidden viewer gets the list when it is shown
        const PathList shown = cleanListFromText(toLocal8(Form2->Memo1->toPlainText()));
        EXPECT_EQ(linesOf(shown), (Records{"/c/first", "/c/second"}));
        EXPECT_EQ(linesOf(t.form->session().clean), linesOf(shown));
        EXPECT_TRUE(t.callsAfterInit().empty());
    }};

const Operation kViewList{"show the list viewer", nullptr, [](WiringTest&) {
                              EXPECT_TRUE(Form2->isVisible());
                              EXPECT_FALSE(Form3->isVisible());
                          }};

const Operation kCleanByList{
    "CleanByList", nullptr, [](WiringTest& t) {
        EXPECT_EQ(t.callsAfterInit(), (Calls{"File_Delete /c/1", "File_Delete /c/2"}));
        EXPECT_EQ(t.prompts.take(), Records{"information: Deleted successfully"});
    }};

Operation save(const char* name, const std::string& bytes)
{
    return {name, [](WiringTest& t) { t.prompts.answerSave(t.workDir.file("saved")); },
            [=](WiringTest& t) {
                EXPECT_EQ(t.prompts.take(), Records{"save"});
                EXPECT_EQ(t.workDir.read("saved.df"), bytes);
            }};
}

std::string cleanListFileOf(const std::vector<std::string>& paths)
{
    std::string bytes;
    for (const auto& path : paths)
        bytes += path + "\r\n";
    return bytes;
}

const Operation kSaveList = save("SaveList", cleanListFileOf(kSweep));
const Operation kSaveChecked = save("SaveChecked", "/b/ticked.txt\r\n");

const Operation kExit{"close the window", nullptr, [](WiringTest& t) {
                          EXPECT_FALSE(t.form->isVisible());
                          EXPECT_TRUE(t.callsAfterInit().empty());
                      }};

const Operation kAbout{"show the About window", nullptr, [](WiringTest&) {
                           EXPECT_TRUE(Form3->isVisible());
                           EXPECT_FALSE(Form2->isVisible());
                       }};

enum class Via { Button, MenuItem, Key };

struct Wire {
    Via via;
    const char* trigger;
    QKeyCombination key;
    int page; // the page shown when a key is pressed
    const Operation* operation;
};

std::string wireName(const testing::TestParamInfo<Wire>& info)
{
    const Wire& w = info.param;
    std::string name = w.trigger;
    if (w.via == Via::Key)
        name += "_page" + std::to_string(w.page);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class WiringRowTest : public WiringTest, public testing::WithParamInterface<Wire> {};

TEST_P(WiringRowTest, ReachesItsOperation)
{
    const Wire& wire = GetParam();
    SCOPED_TRACE(wire.operation->name);
    if (wire.operation->arrange)
        wire.operation->arrange(*this);
    switch (wire.via) {
    case Via::Button:
        click(wire.trigger);
        break;
    case Via::MenuItem:
        trigger(wire.trigger);
        break;
    case Via::Key:
        showPage(wire.page);
        press(wire.key);
        break;
    }
    wire.operation->check(*this);
}

const Operation kAudio = tickRule("TickByRule audio", {0, 8});
const Operation kPictures = tickRule("TickByRule pictures", {1, 8});
const Operation kNotUsed = tickRule("TickByRule not used", {2, 8});
const Operation kPicturesFromRoot = tickRule("TickByRule pictures from /a/", {3, 8});
const Operation kMms = tickRule("TickByRule MMS", {4, 8});
const Operation kCameraSound = tickRule("TickByRule camera sound", {5, 8});
const Operation kTheme = tickRule("TickByRule theme", {6, 8});
const Operation kVideo = tickRule("TickByRule video", {7, 8});

INSTANTIATE_TEST_SUITE_P(Buttons, WiringRowTest,
                         testing::Values(Wire{Via::Button, "BitBtn1", {}, 0, &kCleanTicked},
                                         Wire{Via::Button, "BitBtn11", {}, 0, &kRead},
                                         Wire{Via::Button, "BitBtn12", {}, 0, &kRestart},
                                         Wire{Via::Button, "BitBtn2", {}, 0, &kAudio},
                                         Wire{Via::Button, "BitBtn9", {}, 0, &kPictures},
                                         Wire{Via::Button, "BitBtn3", {}, 0, &kNotUsed},
                                         Wire{Via::Button, "BitBtn4", {}, 0, &kPicturesFromRoot},
                                         Wire{Via::Button, "BitBtn5", {}, 0, &kMms},
                                         Wire{Via::Button, "BitBtn6", {}, 0, &kCameraSound},
                                         Wire{Via::Button, "BitBtn7", {}, 0, &kTheme},
                                         Wire{Via::Button, "BitBtn8", {}, 0, &kVideo},
                                         Wire{Via::Button, "BitBtn10", {}, 0, &kSearch},
                                         Wire{Via::Button, "BitBtn16", {}, 0, &kWebSession},
                                         Wire{Via::Button, "BitBtn13", {}, 0, &kCleanJava},
                                         Wire{Via::Button, "BitBtn14", {}, 0, &kRingFix},
                                         Wire{Via::Button, "BitBtn15", {}, 0, &kMmaC650},
                                         Wire{Via::Button, "BitBtn17", {}, 0, &kMmaE398},
                                         Wire{Via::Button, "BitBtn19", {}, 0, &kOpenList},
                                         Wire{Via::Button, "BitBtn20", {}, 0, &kViewList},
                                         Wire{Via::Button, "BitBtn21", {}, 0, &kCleanByList}),
                         wireName);

INSTANTIATE_TEST_SUITE_P(MenuItems, WiringRowTest,
                         testing::Values(Wire{Via::MenuItem, "Savelisttofile1", {}, 0, &kSaveList},
                                         Wire{Via::MenuItem, "Savechecked1", {}, 0, &kSaveChecked},
                                         Wire{Via::MenuItem, "Exit1", {}, 0, &kExit},
                                         Wire{Via::MenuItem, "CleanJava1", {}, 0, &kCleanJava},
                                         Wire{Via::MenuItem, "RingFix1", {}, 0, &kRingFix},
                                         Wire{Via::MenuItem, "c6501", {}, 0, &kMmaC650},
                                         Wire{Via::MenuItem, "e3981", {}, 0, &kMmaE398},
                                         Wire{Via::MenuItem, "mma1", {}, 0, &kWebSession},
                                         Wire{Via::MenuItem, "Openlist1", {}, 0, &kOpenList},
                                         Wire{Via::MenuItem, "Viewlist1", {}, 0, &kViewList},
                                         Wire{Via::MenuItem, "Clean1", {}, 0, &kCleanByList},
                                         Wire{Via::MenuItem, "Help1", {}, 0, &kAbout}),
                         wireName);

std::vector<Wire> shortcutRows()
{
    const struct {
        const char* name;
        QKeyCombination key;
        const Operation* operation;
    } keys[] = {
        {"F1", Qt::Key_F1, &kCleanJava},
        {"F2", Qt::Key_F2, &kRingFix},
        {"F3", Qt::Key_F3, &kWebSession},
        {"F7", Qt::Key_F7, &kSaveList},
        {"F8", Qt::Key_F8, &kSaveChecked},
        {"F12", Qt::Key_F12, &kExit},
        {"CtrlA", Qt::CTRL | Qt::Key_A, &kOpenList},
        {"CtrlS", Qt::CTRL | Qt::Key_S, &kViewList},
        {"CtrlD", Qt::CTRL | Qt::Key_D, &kCleanByList},
    };
    std::vector<Wire> rows;
    for (int page : {0, 1})
        for (const auto& k : keys)
            rows.push_back({Via::Key, k.name, k.key, page, k.operation});
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Shortcuts, WiringRowTest, testing::ValuesIn(shortcutRows()), wireName);

// The keys a text box or list would take for themselves (Ctrl+A selects all) still reach the
// menu while they have the focus.
TEST_F(WiringTest, ShortcutsWinOverTheFocusedControl)
{
    for (const char* focused : {"Edit1", "CheckListBox1"}) {
        SCOPED_TRACE(focused);
        auto* widget = find<QWidget>(focused);
        widget->setFocus();
        prompts.answerOpen(std::nullopt);
        press(Qt::CTRL | Qt::Key_A, widget);
        EXPECT_EQ(prompts.take(), Records{"open"});
        press(Qt::CTRL | Qt::Key_D, widget);
        EXPECT_EQ(prompts.take(), Records{"information: Deleted successfully"});
    }
}

TEST_F(WiringTest, F1RunsCleanJavaAndDoesNotOpenTheAboutWindow)
{
    press(Qt::Key_F1);
    EXPECT_FALSE(Form3->isVisible());
    EXPECT_EQ(callsAfterInit(), Calls{"File_Delete /a/mobile/kjava/game.jar"});
}

TEST_F(WiringTest, BackupControlsStayDisabledAndDoNothing)
{
    EXPECT_FALSE(find<QAbstractButton>("BitBtn18")->isEnabled());
    EXPECT_FALSE(find<QAction>("Backuptools1")->isEnabled());
    EXPECT_TRUE(find<QMenu>("Backuptools1")->actions().isEmpty());
}
} // namespace
