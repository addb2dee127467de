// Calls from two threads reach the phone one at a time, and a held run of calls stays together.
#include "monitor/SerialPhoneLink.h"
#include "FakePhoneLink.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace zandrel;

TEST(SerialPhoneLink, ACallWaitsForAHeldRunOfCallsOnAnotherThread)
{
    FakePhoneLink phone;
    SerialPhoneLink serial(phone);
    std::promise<void> inside;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    phone.onCall = [&](const std::string& call) {
        if (call == "File_VolInfo") {
            inside.set_value();
            released.wait();
        }
    };
    int32_t info = 0;
    std::thread tick([&] {
        const auto held = serial.hold();
        serial.getStatus();
        serial.volInfo(&info);
    });
    inside.get_future().wait();
    std::thread handler([&] { serial.restart(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(phone.calls, (std::vector<std::string>{"P2K_GetStatus", "File_VolInfo"}))
        << "the restart came in while the held calls ran";
    release.set_value();
    tick.join();
    handler.join();
    EXPECT_EQ(phone.calls,
              (std::vector<std::string>{"P2K_GetStatus", "File_VolInfo", "P2K_Restart"}));
}

TEST(SerialPhoneLink, PassesEveryCallAndItsAnswerOn)
{
    FakePhoneLink phone;
    phone.files = {"/a/x", "/a/y"};
    phone.status = 7;
    SerialPhoneLink serial(phone);
    EXPECT_EQ(serial.getStatus(), 7);
    EXPECT_EQ(serial.fileCount(), 2);
    serial.fileDelete("/a/x");
    serial.fileCreate("/a/z", 4);
    serial.fileClose();
    EXPECT_EQ(phone.calls,
              (std::vector<std::string>{"P2K_GetStatus", "File_Count", "File_Delete /a/x",
                                        "File_Create /a/z 4", "File_Close"}));
}
