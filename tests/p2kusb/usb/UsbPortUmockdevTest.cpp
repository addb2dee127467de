// The transport's real libusb code against simulated devices on a umockdev bus: finding and
// claiming the command interface, a command -> poll -> fetch round trip, unplugging, and the
// AT -> P2K mode switch.
#include "MockUsbBus.h"
#include "UsbPort.h"
#include "UsbfsBridge.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <algorithm>
#include <deque>
#include <mutex>

namespace p2kusb::usb::test {
namespace {

using namespace std::chrono_literals;

// A command interface that records what reaches it and answers IN requests from a script.
class ScriptedPhone : public ControlPipe {
public:
    struct Call {
        bool out;
        std::uint8_t request;
        std::uint16_t value;
        Bytes data;           // what was sent (OUT only)
        std::uint16_t length; // what was asked for (IN only)
    };

    PipeStatus sendOut(std::uint8_t request, std::uint16_t value, const Bytes& data,
                       Millis) override
    {
        const std::lock_guard lock(mutex_);
        calls_.push_back({true, request, value, data, 0});
        return status_;
    }
    PipeStatus receiveIn(std::uint8_t request, std::uint16_t value, std::uint16_t length,
                         Bytes& reply, Millis) override
    {
        const std::lock_guard lock(mutex_);
        calls_.push_back({false, request, value, {}, length});
        if (status_ == PipeStatus::Ok && !replies_.empty()) {
            reply = replies_.front();
            replies_.pop_front();
        }
        return status_;
    }

    void queueReply(Bytes reply)
    {
        const std::lock_guard lock(mutex_);
        replies_.push_back(std::move(reply));
    }
    void answerWith(PipeStatus status)
    {
        const std::lock_guard lock(mutex_);
        status_ = status;
    }
    std::vector<Call> calls() const
    {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::deque<Bytes> replies_;
    PipeStatus status_ = PipeStatus::Ok;
};

bool contains(const std::vector<std::string>& events, const std::string& event)
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

class UsbPortOnMockBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        bus = std::make_unique<MockUsbBus>(); // umockdev only answers once a testbed exists
        if (!umockdev_in_mock_environment())
            GTEST_SKIP() << "not under umockdev-wrapper: run this test through ctest, or as "
                            "`umockdev-wrapper "
                         << ::testing::internal::GetArgvs()[0] << "`";
    }
    void TearDown() override
    {
        port.reset(); // joins the thread while the devices still answer
        bus.reset();
    }
    // Plugs in a device (as the next one on the bus) and starts the port if it is not running.
    UsbfsBridge& plug(MockDevice device, ControlPipe* answering, UsbfsBridge::Modem modem = {})
    {
        devices.push_back(
            std::make_unique<UsbfsBridge>(std::move(device), answering, std::move(modem)));
        bus->plug(*devices.back());
        if (!port) {
            port = makeUsbPort(LibraryConfig{});
            port->start();
        }
        return *devices.back();
    }
    // A P2K-mode phone answering from `answering`; its pipe once the port has claimed it.
    std::shared_ptr<ControlPipe> plugP2kPhone(ControlPipe& answering)
    {
        plug(p2kPhone(nextAddress++), &answering);
        return connects() ? port->pipe() : nullptr;
    }
    // An AT-mode phone whose modem gives `answer` to every line written to it.
    UsbfsBridge& plugAtPhone(std::string answer)
    {
        return plug(atPhone(nextAddress++), nullptr, [answer](std::string_view) { return answer; });
    }
    bool connects()
    {
        return waitFor([this] { return port->connected(); });
    }

    std::vector<std::unique_ptr<UsbfsBridge>> devices; // outlive the bus and the port
    std::unique_ptr<MockUsbBus> bus;
    std::unique_ptr<PhonePort> port;
    ScriptedPhone phone;
    std::uint8_t nextAddress = 3;
};

TEST_F(UsbPortOnMockBus, ClaimsTheCommandInterfaceAndDoesARoundTrip)
{
    const auto pipe = plugP2kPhone(phone);
    ASSERT_NE(pipe, nullptr);
    const auto events = devices.back()->interfaceEvents();
    EXPECT_TRUE(contains(events, "claim 8"));
    EXPECT_FALSE(contains(events, "claim 1")) << "the modem is left alone";

    const Bytes command{0x00, 0x01, 0x00, 0x4A, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0B};
    const Bytes poll{0x01, 0x01, 0x00, 0x0C};
    const Bytes fetch{0x01, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x80, 0x01, 0x80,
                      0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00};
    phone.queueReply(poll);
    phone.queueReply(fetch);
    Bytes polled;
    Bytes fetched;
    EXPECT_EQ(pipe->sendOut(2, 0, command, 1s), PipeStatus::Ok);
    EXPECT_EQ(pipe->receiveIn(0, 0, 8, polled, 1s), PipeStatus::Ok);
    EXPECT_EQ(pipe->receiveIn(1, 1, 18, fetched, 1s), PipeStatus::Ok);
    EXPECT_EQ(polled, poll);
    EXPECT_EQ(fetched, fetch);

    // Only vendor requests addressed to interface 8 reach the phone (the bridge stalls others).
    const auto calls = phone.calls();
    ASSERT_EQ(calls.size(), 3U);
    EXPECT_TRUE(calls[0].out);
    EXPECT_EQ(calls[0].request, 2);
    EXPECT_EQ(calls[0].data, command);
    EXPECT_FALSE(calls[1].out);
    EXPECT_EQ(calls[1].request, 0);
    EXPECT_EQ(calls[1].length, 8);
    EXPECT_EQ(calls[2].request, 1);
    EXPECT_EQ(calls[2].value, 1);
    EXPECT_EQ(calls[2].length, 18);
}

TEST_F(UsbPortOnMockBus, TransferFailuresKeepTheirMeaning)
{
    const auto pipe = plugP2kPhone(phone);
    ASSERT_NE(pipe, nullptr);

    phone.queueReply({0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    Bytes reply{0xAA};
    EXPECT_EQ(pipe->receiveIn(0, 0, 4, reply, 1s), PipeStatus::Ok);
    EXPECT_EQ(reply.size(), 4U) << "never more than asked for";

    // Gone last: it ends the pipe.
    for (const PipeStatus status : {PipeStatus::Timeout, PipeStatus::Failed, PipeStatus::Gone}) {
        SCOPED_TRACE(static_cast<int>(status));
        phone.answerWith(status);
        EXPECT_EQ(pipe->sendOut(2, 0, {0x00, 0x02}, 300ms), status);
        EXPECT_EQ(pipe->receiveIn(0, 0, 8, reply, 300ms),
                  status == PipeStatus::Gone ? PipeStatus::Gone : status);
        EXPECT_TRUE(reply.empty());
    }
    phone.answerWith(PipeStatus::Ok);
    EXPECT_EQ(pipe->sendOut(2, 0, {0x00, 0x03}, 300ms), PipeStatus::Gone)
        << "a pipe that met a vanished device stays gone";
}

TEST_F(UsbPortOnMockBus, UnplugEndsTheConnectionAndThePipe)
{
    const auto pipe = plugP2kPhone(phone);
    ASSERT_NE(pipe, nullptr);

    bus->unplug(*devices.back());
    EXPECT_TRUE(waitFor([this] { return !port->connected(); }));
    EXPECT_EQ(port->pipe(), nullptr);
    EXPECT_EQ(pipe->sendOut(2, 0, {0x00, 0x04}, 1s), PipeStatus::Gone);

    // The phone plugged in again is found again.
    EXPECT_NE(plugP2kPhone(phone), nullptr);
}

TEST_F(UsbPortOnMockBus, SwitchesAnAtModePhoneOnceAndTakesItBackInP2kMode)
{
    UsbfsBridge& modem = plugAtPhone("\r\nOK\r\n");
    ASSERT_TRUE(
        waitFor([&] { return modem.modemReceived().find("AT+MODE=8") != std::string::npos; }));
    EXPECT_EQ(modem.modemReceived(), "AT E0\r\nAT+MODE=8\r\n");
    const auto events = modem.interfaceEvents();
    EXPECT_TRUE(contains(events, "detach 1")) << "cdc_acm had the modem";
    EXPECT_TRUE(contains(events, "claim 1"));
    EXPECT_FALSE(port->connected());

    // The phone drops off and comes back with the command interface.
    bus->unplug(modem);
    EXPECT_NE(plugP2kPhone(phone), nullptr);
}

TEST_F(UsbPortOnMockBus, APhoneThatRefusesTheSwitchIsAskedOnlyOnce)
{
    UsbfsBridge& modem = plugAtPhone("\r\nERROR\r\n");
    ASSERT_TRUE(waitFor([&] { return contains(modem.interfaceEvents(), "attach 1"); }))
        << "the modem goes back to its driver";
    // Several periodic looks at the bus later, still one attempt.
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(modem.modemReceived(), "AT E0\r\nAT+MODE=8\r\n");
    EXPECT_FALSE(port->connected());
}

// An unknown product of the vendor is found by the name of its interface (here 5); a known phone
// whose names cannot be read (the A835/E1000 in P2K mode) on interface 8.
TEST_F(UsbPortOnMockBus, OtherModelsAreFoundByTheirInterfacesName)
{
    MockDevice otherModel = p2kPhone(nextAddress++);
    otherModel.id.product = 0x1234;
    otherModel.interfaces.back().number = 5;
    MockDevice unreadable = p2kPhone(nextAddress++);
    unreadable.id.product = 0x3001;
    unreadable.namesReadable = false;
    for (const auto& [model, claimed] :
         {std::pair{otherModel, "claim 5"}, std::pair{unreadable, "claim 8"}}) {
        UsbfsBridge& device = plug(model, &phone);
        EXPECT_TRUE(connects()) << claimed;
        EXPECT_TRUE(contains(device.interfaceEvents(), claimed));
        bus->unplug(device);
        EXPECT_TRUE(waitFor([this] { return !port->connected(); })) << claimed;
    }
}

} // namespace
} // namespace p2kusb::usb::test
