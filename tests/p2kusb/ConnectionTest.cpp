// P2K_Init, P2K_GetStatus and P2K_Restart, and calls that find no phone.
#include "SimFixture.h"

namespace p2kusb {
namespace {

std::vector<std::int32_t> notified;
void remember(std::int32_t event) { notified.push_back(event); }

class ConnectionTest : public SimFixture {};

TEST_F(ConnectionTest, StatusFollowsPlugAndUnplugAndNotifyTellsCallsWhatTheyFound)
{
    notified.clear();
    ASSERT_EQ(session.init(remember), kOk);
    EXPECT_EQ(session.getStatus(), 1);
    EXPECT_GE(session.volInfo(nullptr), 0);
    phone->unplug();
    EXPECT_EQ(session.getStatus(), 0);
    EXPECT_EQ(session.volInfo(nullptr), kNotConnected);
    phone->plugIn();
    EXPECT_EQ(session.getStatus(), 1);
    EXPECT_GE(session.volInfo(nullptr), 0);
    EXPECT_EQ(notified, (std::vector<std::int32_t>{0, 1}));
}

TEST_F(ConnectionTest, CallsNeedInitAndAPhone)
{
    auto other = std::make_shared<SimPhone>(dir.path());
    SimPort otherPort(other);
    Session fresh(otherPort, {}, kTiming);
    int fd = 0;
    std::vector<std::uint8_t> record(P2K_RECORD_SIZE);
    const std::int32_t before[] = {
        fresh.restart(),
        fresh.fileCount(),
        fresh.fileList(record.data(), 1),
        fresh.volInfo(nullptr),
        fresh.fileDelete("/a/x"),
        fresh.fileCreate("/a/x", 4),
        fresh.fileWrite("x", 1, 0),
        fresh.fileClose(),
        fresh.seemWrite(1, 1, 0, 0, &fd),
    };
    for (std::int32_t result : before)
        EXPECT_EQ(result, kNotInitialised);
    EXPECT_EQ(fresh.getStatus(), 0); // the port has not been started

    phone->unplug();
    const std::int32_t unplugged[] = {
        session.fileCount(),           session.volInfo(nullptr), session.fileDelete("/a/x"),
        session.fileCreate("/a/x", 4), session.fileClose(),      session.restart(),
    };
    for (std::int32_t result : unplugged)
        EXPECT_EQ(result, kNotConnected);
}

TEST_F(ConnectionTest, RestartIsSentAndAPhoneThatGoesQuietIsFine)
{
    EXPECT_EQ(session.restart(), kOk);
    EXPECT_EQ(phone->restarts(), 1);
    phone->setFaults({.silent = true});
    EXPECT_EQ(session.restart(), kOk);
    EXPECT_EQ(phone->restarts(), 2);
    phone->setFaults({.refuse = true});
    EXPECT_EQ(session.restart(), kRefused);
}

TEST_F(ConnectionTest, NeverSendsTheFlashModeCommand)
{
    putFile("/a/x", "data");
    (void)listPaths();
    (void)session.volInfo(nullptr);
    (void)session.fileDelete("/a/x");
    (void)session.restart();
    for (const Bytes& message : phone->received()) {
        ASSERT_GE(message.size(), 4u);
        EXPECT_NE(message[2] << 8 | message[3], 0x000D);
    }
}

} // namespace
} // namespace p2kusb
