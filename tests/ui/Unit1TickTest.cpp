// A phone that is slow to answer the monitor: the tick lets the window go on, shows the answer
// when it comes, and a handler's call waits until the tick's calls are done.
#include "MainWindowFixture.h"

#include <QPushButton>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace zandrel;

namespace {
TEST_F(MainWindowTest, SlowTickLetsTheWindowGoOnAndKeepsTheCallOrder)
{
    create();
    phone.status = 1;
    phone.freeBytes = 4096;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> answered = false;
    phone.onCall = [&](const std::string& call) {
        if (call == "File_VolInfo") {
            released.wait();
            answered = true;
        }
    };
    // Far longer than any tick may keep the window.
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::seconds(2));
        release.set_value();
    });

    form->Timer2Timer();
    EXPECT_FALSE(answered) << "the tick waited for the phone's answer";
    EXPECT_EQ(form->panelText(0), "Status: Disconnected") << "nothing is shown before the answer";
    form->Timer2Timer(); // skipped: the first tick still waits for the phone

    click("BitBtn12"); // its P2K_Restart comes only after the tick's calls
    EXPECT_TRUE(answered);
    EXPECT_EQ(callsAfterInit(), (Records{"P2K_GetStatus", "File_VolInfo", "P2K_Restart"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->panelText(0) == "Status: Connectet"; }));
    EXPECT_EQ(form->panelText(1), "Free: 4 kb");
    EXPECT_TRUE(find<QPushButton>("BitBtn11")->isEnabled());
    releaser.join();

    phone.onCall = nullptr;
    phone.calls.clear();
    form->Timer2Timer();
    EXPECT_EQ(phone.calls, (Records{"P2K_GetStatus", "File_VolInfo"})) << "ticks go on";
}
} // namespace
