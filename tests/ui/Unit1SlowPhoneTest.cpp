// The window over a slow phone: it paints and shows its progress while a handler waits for the
// library, yet keeps the order of events: no tick and no other handler inside a handler. Closing
// it never waits for a call that does not return.
#include "MainWindowFixture.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressBar>

#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

using namespace zandrel;

namespace {
using Records = std::vector<std::string>;

class SlowPhoneTest : public MainWindowTest {
public:
    ~SlowPhoneTest() override { destroy(); }

    // Counts the events of one kind that reach `watched`.
    class Counter : public QObject {
    public:
        Counter(QObject* watched, QEvent::Type type) : type_(type)
        {
            watched->installEventFilter(this);
        }
        int count = 0;

    protected:
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == type_ ? 1 : 0;
            return false;
        }

    private:
        QEvent::Type type_;
    };
};

TEST_F(SlowPhoneTest, TicksWaitForTheHandlerAndComeRightAfterIt)
{
    struct Row {
        const char* name;
        const char* slowCall;
        const char* button;
        Records handlerCalls;
    };
    const Row rows[] = {
        {"list clean",
         "File_Delete",
         "BitBtn21",
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

TEST_F(SlowPhoneTest, WindowPaintsWhileACallIsSlow)
{
    create();
    slowDown("P2K_Restart", 600);
    const Counter paints(form.get(), QEvent::Paint);
    const auto poke = every(50, [this] { form->update(); });
    click("BitBtn12");
    EXPECT_GE(paints.count, 3);
    EXPECT_EQ(callsAfterInit(), Records{"P2K_Restart"});
}

TEST_F(SlowPhoneTest, InputReachingTheWindowInsideAHandlerStartsNothing)
{
    create();
    slowDown("P2K_Restart", 400);
    bool sent = false;
    QTimer::singleShot(100, form.get(), [&] {
        click("BitBtn12");
        press(Qt::Key_F1); // Clean Java, which would warn
        sent = true;
    });
    click("BitBtn12");
    EXPECT_TRUE(sent);
    EXPECT_EQ(callsAfterInit(), Records{"P2K_Restart"});
    EXPECT_TRUE(prompts.take().empty());
}

TEST_F(SlowPhoneTest, SingleLongCallShowsABarThatMovesByItself)
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

TEST_F(SlowPhoneTest, ViewerIsFirstFilledInsideAHandler)
{
    create();
    form->session().clean = pathList({"/a/x", "/a/y"});
    delete Form2;
    Form2 = nullptr;
    Qt::CursorShape cursorAtShow = Qt::ArrowCursor;
    struct ShowSeen : QObject {
        Qt::CursorShape* seen;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (watched == Form2 && event->type() == QEvent::Show && QApplication::overrideCursor())
                *seen = QApplication::overrideCursor()->shape();
            return false;
        }
    } showSeen;
    showSeen.seen = &cursorAtShow;
    qApp->installEventFilter(&showSeen);
    click("BitBtn20");
    qApp->removeEventFilter(&showSeen);
    ASSERT_NE(Form2, nullptr);
    EXPECT_EQ(Form2->Memo1->toPlainText(), "/a/x\n/a/y\n");
    EXPECT_EQ(cursorAtShow, Qt::WaitCursor);
}

// Closing in a handler: the program ends within a couple of seconds with its setting written,
// whether the call it waits for is slow, or never returns.
TEST_F(SlowPhoneTest, ClosingNeverWaitsLongForThePhone)
{
    struct Row {
        const char* name;
        const char* hangingCall; // never returns
        int slowMs;              // or returns after this long
    };
    // The fake stays inside a call that never returns, so that row comes last.
    const Row rows[] = {
        {"slow call", nullptr, 300},
        {"call that never returns", "File_Delete", 0},
    };
    // Never set: the calls that wait for it stay inside the phone for good.
    static auto* const never = new std::promise<void>;
    static const std::shared_future<void> released = never->get_future().share();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        create();
        int endedWithCallStuck = 0;
        form->endWithCallStuck = [&] { ++endedWithCallStuck; };
        form->session().clean = pathList({"/a/0", "/a/1", "/a/2"});
        phone.calls.clear();
        if (row.hangingCall) {
            phone.onCall = [call = std::string(row.hangingCall)](const std::string& made) {
                if (made.starts_with(call))
                    released.wait();
            };
        } else {
            slowDown("File_Delete", row.slowMs);
        }
        QElapsedTimer closing;
        closing.start();
        QTimer::singleShot(100, form.get(), [&] { form->close(); });
        click("BitBtn21");
        destroy();
        EXPECT_LT(closing.elapsed(), 2500);
        EXPECT_EQ(endedWithCallStuck, row.hangingCall ? 1 : 0);
        EXPECT_EQ(phone.callsOf("File_Delete").size(), 1u) << "nothing after the close";
        std::ifstream ini(programDir.path() + "/Zandrel.ini");
        std::stringstream text;
        text << ini.rdbuf();
        EXPECT_NE(text.str().find("Language="), std::string::npos) << "the setting is written";
        std::filesystem::remove(programDir.path() + "/Zandrel.ini");
        prompts.take();
    }
}

TEST_F(SlowPhoneTest, TickOnAPhoneThatNeverAnswersLetsTheProgramEnd)
{
    static auto* const never = new std::promise<void>;
    static const std::shared_future<void> released = never->get_future().share();
    create();
    int endedWithCallStuck = 0;
    form->endWithCallStuck = [&] { ++endedWithCallStuck; };
    phone.onCall = [](const std::string& made) {
        if (made == "File_VolInfo")
            released.wait();
    };
    QElapsedTimer closing;
    closing.start();
    form->Timer2Timer();
    form->close();
    destroy();
    EXPECT_LT(closing.elapsed(), 2500);
    EXPECT_EQ(endedWithCallStuck, 1);
    EXPECT_TRUE(std::filesystem::exists(programDir.path() + "/Zandrel.ini"));
}
} // namespace
