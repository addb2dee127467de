// Long phone work under the user's hand: Stop and Esc end it between its steps, the window takes
// no other input meanwhile, and closing (or a logout's signal) is a Stop followed by a close.
#include "MainWindowFixture.h"
#include "ui/phonework/CloseOnSignals.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>

#include <atomic>
#include <csignal>

using namespace zandrel;

namespace {
using Records = std::vector<std::string>;

const Records kUpload = {"P2K_GetStatus", "File_Delete /a/WebSession",
                         "File_Create /a/WebSession 4", "File_Write 3 2", "File_Close"};

class StopTest : public MainWindowTest {
public:
    WorkingDirectory inFolder{programDir.path()};

    ~StopTest() override { destroy(); }

    void SetUp() override
    {
        programDir.write("orfiles/WebSession", "web");
        programDir.write("seem/004c_0001.seem", "record");
    }

    // Runs `act` once, on the window's thread, as soon as the Stop button shows.
    std::unique_ptr<QTimer> onceStopShows(std::function<void()> act)
    {
        return every(20, [this, act, done = std::make_shared<bool>(false)] {
            auto* stop = form->findChild<QPushButton*>(QStringLiteral("StopButton"));
            if (*done || !stop || !stop->isVisible())
                return;
            *done = true;
            act();
        });
    }
};

// Stop ends the work after the call it waits for, never inside a step; the box says what was
// left. Esc does what the button does.
TEST_F(StopTest, StopEndsTheWorkBetweenItsStepsAndSaysWhatWasLeft)
{
    struct Row {
        const char* name;
        const char* button;
        const char* slowCall;
        bool byEsc;
        Records calls;
        Records boxes;
    };
    const Records read = {"P2K_GetStatus", "File_Count", "File_List 2"};
    const Records readBox = {"information: Reading stopped: the list is as it was before the read."};
    const auto ringBox = [](const char* deleted) {
        return Records{std::string("information: Ring Fix stopped after the ring record was "
                                   "written: ") + deleted + " of 2 tone databases deleted, the rest "
                                   "left on the phone."};
    };
    const std::string seem = "Seem_Write 76 1 0 0";
    const Row rows[] = {
        {"read, mid-listing", "BitBtn11", "File_List", false, read, readBox},
        {"read, Esc", "BitBtn11", "File_List", true, read, readBox},
        {"upload, mid-delete: the upload ends", "BitBtn16", "File_Delete", false, kUpload, {}},
        {"upload, mid-write: the upload ends", "BitBtn16", "File_Write", true, kUpload, {}},
        {"ring fix, mid-seem write", "BitBtn14", "Seem_Write", false, {seem}, ringBox("0")},
        {"ring fix, mid-delete", "BitBtn14", "File_Delete /a/mobile/audio/Temp", true,
         {seem, "File_Delete /a/mobile/audio/TempToneDB.db"}, ringBox("1")},
        {"restart: one call, nothing left", "BitBtn12", "P2K_Restart", false, {"P2K_Restart"}, {}},
    };
    create();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fillSweep({"/a/old.mp3", "/a/old.gif"}, {1});
        form->session().sweep.select(0);
        phone.files = {"/a/new.mp3", "/a/new.gif"};
        phone.calls.clear();
        slowDown(row.slowCall, 900);
        bool heldWhileWorking = false;
        bool stopShownTaken = false;
        const auto stop = onceStopShows([&] {
            heldWhileWorking = !find<QWidget>("TabbedNotebook1")->isEnabled() &&
                               !form->menuBar()->isEnabled();
            if (row.byEsc)
                press(Qt::Key_Escape);
            else
                QTest::mouseClick(find<QPushButton>("StopButton"), Qt::LeftButton);
            stopShownTaken = !find<QWidget>("StopButton")->isEnabled();
        });
        click(row.button);
        EXPECT_TRUE(heldWhileWorking) << "the other controls wait visibly";
        EXPECT_TRUE(stopShownTaken) << "the Stop button answers at once";
        EXPECT_EQ(phone.calls, row.calls);
        EXPECT_EQ(prompts.take(), row.boxes);
        if (std::string(row.button) == "BitBtn11") {
            EXPECT_EQ(shownRows(), (Records{"/a/old.mp3", "/a/old.gif"}));
            EXPECT_TRUE(form->session().sweep.ticked(1));
        }
        EXPECT_TRUE(find<QWidget>("TabbedNotebook1")->isEnabled());
        EXPECT_TRUE(form->menuBar()->isEnabled());
        EXPECT_FALSE(find<QWidget>("StopButton")->isVisible());
        showPage(0);
    }
}

// A Stop left over from one handler does not stop the next.
TEST_F(StopTest, EachHandlerStartsUnstopped)
{
    create();
    phone.files = {"/a/x"};
    slowDown("File_List", 900);
    const auto stop = onceStopShows([this] { press(Qt::Key_Escape); });
    click("BitBtn11");
    prompts.take();
    phone.onCall = nullptr;
    click("BitBtn11");
    EXPECT_EQ(shownRows(), Records{"/a/x"});
    EXPECT_TRUE(prompts.take().empty());
}

// Whatever path input takes while a handler works, before its progress shows and after, no
// handler, menu action or About window runs inside it.
TEST_F(StopTest, NoInputPathStartsAnythingInsideAHandler)
{
    struct Row {
        const char* name;
        std::function<void(StopTest&)> send;
    };
    const auto pressAccessibly = [](QObject* control) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (accessible && accessible->actionInterface())
            accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    const Row rows[] = {
        {"mouse click", [](StopTest& t) { QTest::mouseClick(t.form->BitBtn13, Qt::LeftButton); }},
        {"shortcut key", [](StopTest& t) { t.press(Qt::Key_F1); }},
        {"menu item triggered", [](StopTest& t) { t.form->CleanJava1->trigger(); }},
        {"Help on the menu bar", [](StopTest& t) { t.form->Help1->trigger(); }},
        {"accessible press", [&](StopTest& t) { pressAccessibly(t.form->BitBtn13); }},
        {"Space on a focused button",
         [](StopTest& t) {
             t.form->BitBtn12->setFocus();
             QTest::keyClick(t.form->BitBtn12, Qt::Key_Space);
         }},
        {"typing into the search box", [](StopTest& t) { QTest::keyClicks(t.form->Edit1, "mp3"); }},
        {"a click on the other page's tab",
         [](StopTest& t) {
             auto* tabs = t.find<QTabWidget>("TabbedNotebook1")->tabBar();
             QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
         }},
    };
    create();
    for (const int atMs : {100, 700}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + " at " + std::to_string(atMs) + " ms");
            phone.calls.clear();
            slowDown("P2K_Restart", 1000);
            bool sent = false;
            QTimer::singleShot(atMs, form.get(), [&] {
                row.send(*this);
                sent = true;
            });
            click("BitBtn12");
            EXPECT_TRUE(sent);
            EXPECT_EQ(callsAfterInit(), Records{"P2K_Restart"});
            EXPECT_TRUE(prompts.take().empty());
            EXPECT_FALSE(Form3->isVisible());
            EXPECT_TRUE(form->CleanJava1->isEnabled()) << "enabled again once the handler ends";
            EXPECT_TRUE(form->Edit1->text().isEmpty());
            EXPECT_EQ(find<QTabWidget>("TabbedNotebook1")->currentIndex(), 0);
        }
    }
}

// A logout's signal, or the close box, during work: the step under way finishes (an upload is
// never left without its file), nothing is said, and the window closes with its setting written.
TEST_F(StopTest, SignalOrCloseDuringWorkEndsTheStepThenCloses)
{
    struct Row {
        const char* name;
        const char* button;
        const char* during;
        int signal; // 0: the window is closed from inside the call
        Records calls;
    };
    const Row rows[] = {
        {"SIGTERM mid-delete of an upload", "BitBtn16", "File_Delete", SIGTERM, kUpload},
        {"SIGHUP mid-create of an upload", "BitBtn16", "File_Create", SIGHUP, kUpload},
        {"close mid-write of an upload", "BitBtn16", "File_Write", 0, kUpload},
        {"SIGTERM mid-listing of a read", "BitBtn11", "File_List", SIGTERM,
         {"P2K_GetStatus", "File_Count", "File_List 1"}},
        {"SIGTERM mid-seem write", "BitBtn14", "Seem_Write", SIGTERM, {"Seem_Write 76 1 0 0"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        create();
        const CloseOnSignals closeOnSignals(form.get());
        int closed = 0;
        QObject::connect(form.get(), &TForm1::closed, [&] { ++closed; });
        int stuck = 0;
        form->endWithCallStuck = [&] { ++stuck; };
        fillSweep({"/a/old"});
        phone.files = {"/a/new"};
        phone.calls.clear();
        std::atomic<bool> closeAsked = false;
        phone.onCall = [&, during = std::string(row.during)](const std::string& made) {
            if (!made.starts_with(during))
                return;
            if (row.signal)
                std::raise(row.signal);
            else
                closeAsked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        };
        const auto closer = every(10, [&] {
            if (closeAsked.exchange(false))
                form->close();
        });
        click(row.button);
        EXPECT_EQ(phone.calls, row.calls);
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(stuck, 0);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(shownRows(), Records{"/a/old"});
        EXPECT_TRUE(prompts.take().empty()) << "no box after the close";
        destroy();
        EXPECT_TRUE(programDir.exists("Zandrel.ini"));
        std::filesystem::remove(programDir.file("Zandrel.ini"));
    }
}
} // namespace
