// Long phone work under the user's hand, over a slow phone: the window paints and shows its
// progress while a handler waits, Stop and Esc end the work between its steps, no input, tick or
// other handler runs inside a handler, and closing (or a logout's signal) ends the step under way
// and never waits long for a call that does not return.
#include "MainWindowFixture.h"
#include "ui/phonework/CloseOnSignals.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QElapsedTimer>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>

#include <atomic>
#include <csignal>

using namespace zandrel;

namespace {
// Hands every event that reaches any object to `seen`; the application drops it once it goes.
struct EventWatch : QObject {
    explicit EventWatch(std::function<void(QObject*, QEvent*)> seen) : seen_(std::move(seen))
    {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        seen_(watched, event);
        return false;
    }
    std::function<void(QObject*, QEvent*)> seen_;
};

class PhoneWorkTest : public MainWindowTest {
public:
    WorkingDirectory inFolder{programDir.path()};

    ~PhoneWorkTest() override { destroy(); }

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

const Records kUpload = uploadCalls("/a/WebSession", 3);
const std::string kSeemWrite = "Seem_Write 76 1 0 0";

// Stop ends the work after the call it waits for, never inside a step; the box says what was
// left. Esc does what the button does.
TEST_F(PhoneWorkTest, StopEndsTheWorkBetweenItsStepsAndSaysWhatWasLeft)
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
    const Row rows[] = {
        {"read, mid-listing", "BitBtn11", "File_List", false, read, readBox},
        {"read, Esc", "BitBtn11", "File_List", true, read, readBox},
        {"upload, mid-delete: the upload ends", "BitBtn16", "File_Delete", false, kUpload, {}},
        {"upload, mid-write: the upload ends", "BitBtn16", "File_Write", true, kUpload, {}},
        {"ring fix, mid-seem write", "BitBtn14", "Seem_Write", false, {kSeemWrite}, ringBox("0")},
        {"ring fix, mid-delete", "BitBtn14", "File_Delete /a/mobile/audio/Temp", true,
         {kSeemWrite, "File_Delete /a/mobile/audio/TempToneDB.db"}, ringBox("1")},
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
TEST_F(PhoneWorkTest, EachHandlerStartsUnstopped)
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
TEST_F(PhoneWorkTest, NoInputPathStartsAnythingInsideAHandler)
{
    struct Row {
        const char* name;
        std::function<void(PhoneWorkTest&)> send;
    };
    const auto pressAccessibly = [](QObject* control) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
        if (accessible && accessible->actionInterface())
            accessible->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    };
    using T = PhoneWorkTest;
    const Row rows[] = {
        {"mouse click", [](T& t) { QTest::mouseClick(t.form->BitBtn13, Qt::LeftButton); }},
        {"shortcut key", [](T& t) { t.press(Qt::Key_F1); }},
        {"the working handler's own button, then Clean Java's key (which would warn)",
         [](T& t) {
             QTest::mouseClick(t.form->BitBtn12, Qt::LeftButton);
             t.press(Qt::Key_F1);
         }},
        {"menu item triggered", [](T& t) { t.form->CleanJava1->trigger(); }},
        {"Help on the menu bar", [](T& t) { t.form->Help1->trigger(); }},
        {"accessible press", [&](T& t) { pressAccessibly(t.form->BitBtn13); }},
        {"Space on a focused button",
         [](T& t) {
             t.form->BitBtn12->setFocus();
             QTest::keyClick(t.form->BitBtn12, Qt::Key_Space);
         }},
        {"typing into the search box", [](T& t) { QTest::keyClicks(t.form->Edit1, "mp3"); }},
        {"a click on the other page's tab",
         [](T& t) {
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

TEST_F(PhoneWorkTest, TicksWaitForTheHandlerAndComeRightAfterIt)
{
    struct Row {
        const char* name;
        const char* slowCall;
        const char* button;
        Records handlerCalls;
    };
    const Row rows[] = {
        {"list clean", "File_Delete", "BitBtn21",
         {"File_Delete /a/0", "File_Delete /a/1", "File_Delete /a/2"}},
        {"read", "File_List", "BitBtn11", {"P2K_GetStatus", "File_Count", "File_List 2"}},
    };
    create();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        phone.files = {"/a/x", "/a/y"};
        form->session().clean = pathList({"/a/0", "/a/1", "/a/2"});
        phone.calls.clear();
        slowDown(row.slowCall, 150);
        const auto ticks = every(10, [this] { form->Timer2Timer(); });
        click(row.button);
        ticks->stop();
        Records expected = row.handlerCalls;
        expected.insert(expected.end(), {"P2K_GetStatus", "File_VolInfo"});
        EXPECT_EQ(phone.calls, expected);
        prompts.take();
    }
}

TEST_F(PhoneWorkTest, WindowPaintsWhileACallIsSlow)
{
    create();
    slowDown("P2K_Restart", 600);
    int paints = 0;
    const EventWatch watch([&](QObject* watched, QEvent* event) {
        if (watched == form.get() && event->type() == QEvent::Paint)
            ++paints;
    });
    const auto poke = every(50, [this] { form->update(); });
    click("BitBtn12");
    EXPECT_GE(paints, 3);
    EXPECT_EQ(callsAfterInit(), Records{"P2K_Restart"});
}

TEST_F(PhoneWorkTest, SingleLongCallShowsABarThatMovesByItself)
{
    create(nullptr, true);
    phone.files = {"/a/x"};
    slowDown("File_List", 900);
    bool moving = false;
    const auto look = every(50, [&] {
        auto* bar = form->findChild<QProgressBar*>();
        moving = moving || (bar && bar->isVisible() && bar->maximum() == 0);
    });
    click("BitBtn11");
    EXPECT_TRUE(moving);
}

TEST_F(PhoneWorkTest, ViewerIsFirstFilledInsideAHandler)
{
    create();
    form->session().clean = pathList({"/a/x", "/a/y"});
    delete Form2;
    Form2 = nullptr;
    Qt::CursorShape cursorAtShow = Qt::ArrowCursor;
    const EventWatch watch([&](QObject* watched, QEvent* event) {
        if (watched == Form2 && event->type() == QEvent::Show && QApplication::overrideCursor())
            cursorAtShow = QApplication::overrideCursor()->shape();
    });
    click("BitBtn20");
    ASSERT_NE(Form2, nullptr);
    EXPECT_EQ(Form2->Memo1->toPlainText(), "/a/x\n/a/y\n");
    EXPECT_EQ(cursorAtShow, Qt::WaitCursor);
}

// A logout's signal, or a close, while a call is under way: that step finishes (an upload is
// never left without its file), nothing more is asked or said, and the program ends within a
// couple of seconds with its setting written, even when the call never returns.
TEST_F(PhoneWorkTest, SignalOrCloseDuringACallEndsTheStepThenTheProgram)
{
    struct Row {
        const char* name;
        const char* button; // none: a tick
        const char* during;
        int signal; // 0: the window is closed
        bool hangs; // the call never returns
        Records calls;
    };
    const Records firstDelete = {"File_Delete /a/0"};
    // The fake stays inside a call that never returns, so those rows come last.
    const Row rows[] = {
        {"SIGTERM mid-delete of an upload", "BitBtn16", "File_Delete", SIGTERM, false, kUpload},
        {"SIGHUP mid-create of an upload", "BitBtn16", "File_Create", SIGHUP, false, kUpload},
        {"close mid-write of an upload", "BitBtn16", "File_Write", 0, false, kUpload},
        {"SIGTERM mid-listing of a read", "BitBtn11", "File_List", SIGTERM, false,
         {"P2K_GetStatus", "File_Count", "File_List 1"}},
        {"SIGTERM mid-seem write", "BitBtn14", "Seem_Write", SIGTERM, false, {kSeemWrite}},
        {"close mid-delete of a list clean", "BitBtn21", "File_Delete", 0, false, firstDelete},
        {"close in a list clean's delete that never returns", "BitBtn21", "File_Delete", 0, true,
         firstDelete},
        {"close in a tick's call that never returns", nullptr, "File_VolInfo", 0, true,
         {"P2K_GetStatus", "File_VolInfo"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        create();
        const CloseOnSignals closeOnSignals(form.get());
        countEnds();
        fillSweep({"/a/old"});
        form->session().clean = pathList({"/a/0", "/a/1", "/a/2"});
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
            if (row.hangs)
                hangForever();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        };
        const auto closer = every(10, [&] {
            if (closeAsked.exchange(false))
                form->close();
        });
        QElapsedTimer closing;
        closing.start();
        row.button ? click(row.button) : form->Timer2Timer();
        EXPECT_TRUE(QTest::qWaitFor([this] { return closedCount > 0; }, 2000));
        EXPECT_EQ(closedCount, 1);
        EXPECT_EQ(phone.calls, row.calls);
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(shownRows(), Records{"/a/old"});
        EXPECT_TRUE(prompts.take().empty()) << "no box after the close";
        destroy();
        EXPECT_LT(closing.elapsed(), 2500);
        EXPECT_EQ(endedWithCallStuck, row.hangs ? 1 : 0);
        EXPECT_NE(takeSettings().find("Language="), std::string::npos) << "the setting is written";
    }
}
} // namespace
