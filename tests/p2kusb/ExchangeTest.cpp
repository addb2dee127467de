// The exchange over a misbehaving phone: a call either gets the right reply or a named error,
// within its time bound.
#include "Config.h"
#include "SimFixture.h"

#include <chrono>
#include <fstream>
#include <sys/stat.h>

namespace p2kusb {
namespace {

class ExchangeTest : public SimFixture {};

TEST_F(ExchangeTest, FaultsGiveTheRightReplyOrANamedError)
{
    putFile("/a/one", std::string(1000, 'x'));
    const std::int32_t free = 16 * 1024 * 1024 - 1000;
    struct Row {
        const char* what;
        SimFaults faults;
        std::int32_t expected;
    };
    const Row rows[] = {
        {"a well phone", {}, free},
        {"not ready for a few polls", {.notReadyPolls = 5}, free},
        {"slow transfers within their timeout", {.delay = Millis(30)}, free},
        {"free space asked in the other layout", {.volumeAfterZeroWord = true}, free},
        {"replies handed out one per fetch behind stale ones",
         {.perFetch = 1, .staleBefore = 4},
         free},
        {"stale replies of earlier ids are passed over", {.staleBefore = 3}, free},
        {"endless stale replies", {.staleBefore = 40}, kBadReply},
        {"a reply to an id never sent", {.wrongId = true}, kBadReply},
        {"a fetched reply longer than the poll said", {.sizeSkew = -1}, kBadReply},
        {"a fetched reply shorter than the poll said", {.sizeSkew = 1}, kBadReply},
        {"a fetch cut short", {.fetchShortBy = 1}, kBadReply},
        {"a refusing status word", {.refuse = true}, kRefused},
        {"a phone that holds its polls past a transfer", {.busy = Millis(300)}, free},
        {"a phone that holds its polls past the query's bound", {.busy = Millis(800)}, kTimeout},
        {"a silent phone", {.silent = true}, kTimeout},
        {"transfers slower than their timeout", {.delay = Millis(1000)}, kTimeout},
        {"unplugged before the command", {.unplugAfter = 0}, kNotConnected},
    };
    for (const Row& row : rows) {
        phone->unplug(); // drops the replies the last row left queued
        phone->plugIn();
        phone->setFaults(row.faults);
        auto start = std::chrono::steady_clock::now();
        std::int32_t info = -1;
        EXPECT_EQ(session.volInfo(&info), row.expected) << row.what;
        EXPECT_EQ(info, row.expected >= 0 ? row.expected : -1) << row.what;
        // Bounded: the reply bound and one transfer timeout, with room for a slow machine.
        EXPECT_LT(std::chrono::steady_clock::now() - start, 4 * (kTiming.reply + kTiming.transfer))
            << row.what;
    }
}

TEST(PacketLogTest, LogsEveryMessageInAndOutAsHex)
{
    TempDir logDir;
    LibraryConfig config;
    config.packetLogPath = logDir.file("packets.log");
    logDir.write("fs/a/x", ""); // the volume it asks about
    auto phone = std::make_shared<SimPhone>(logDir.path());
    SimPort port(phone);
    Session session(port, config, {Millis(200), Millis(400), Millis(1)});
    ASSERT_EQ(session.init(nullptr), kOk);
    ASSERT_GE(session.volInfo(nullptr), 0);

    std::ifstream log(config.packetLogPath);
    std::string stamp, direction, hex;
    ASSERT_TRUE(log >> stamp >> direction >> hex);
    EXPECT_EQ(direction, ">");
    EXPECT_EQ(hexBytes(hex), phone->received().at(0));
    EXPECT_EQ(stamp.size(), std::string("2026-12-07T23:15:00.123Z").size()) << stamp;
    ASSERT_TRUE(log >> stamp >> direction >> hex);
    EXPECT_EQ(direction, "<");
    EXPECT_EQ(hexBytes(hex.substr(0, 4)), hexBytes("8001")); // the reply to id 1
}

// What a bug report needs: timeouts, transfers that did not parse, records passed over; the free
// space asked every second is logged once, and the log stays within twice its limit.
TEST_F(ExchangeTest, ThePacketLogTellsWhatWentWrongAndStaysBounded)
{
    putFile("/a/x", "");
    const LibraryConfig config{.packetLogPath = dir.file("p.log"), .packetLogLimit = 16 * 1024};
    Session logging(port, config, kTiming);
    ASSERT_EQ(logging.init(nullptr), kOk);
    const auto logged = [&] {
        return (dir.exists("p.log.1") ? dir.read("p.log.1") : "") + dir.read("p.log");
    };
    ASSERT_GE(logging.volInfo(nullptr), 0);
    const std::size_t once = logged().size();
    for (int i = 0; i < 5; ++i)
        ASSERT_GE(logging.volInfo(nullptr), 0);
    EXPECT_EQ(logged().size(), once);
    const std::pair<SimFaults, const char*> rows[] = {
        {{.unusableRecords = true}, "2 records passed over"},
        {{.silent = true}, ": timeout after "},
        {{.fetchShortBy = 1}, " ? fetch 01"},
    };
    for (const auto& [faults, text] : rows) {
        phone->setFaults(faults);
        (void)logging.fileCount();
        EXPECT_NE(logged().find(text), std::string::npos) << text << "\n" << logged();
    }
    phone->setFaults({});
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(logging.fileCount(), 1);
    EXPECT_LE(logged().size(), 2 * config.packetLogLimit);
    EXPECT_TRUE(dir.exists("p.log.1"));
}

// A FIFO in place of the config file or the log would hold the first call up for ever.
TEST_F(ExchangeTest, TheConfigAndTheLogAreReadAndWrittenOnlyAsRegularFiles)
{
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(readConfigFile(dir.file("fifo"), 1024), "");
    Session logging(port, {.packetLogPath = dir.file("fifo")}, kTiming);
    ASSERT_EQ(logging.init(nullptr), kOk);
    EXPECT_GE(logging.volInfo(nullptr), 0);
    // A config past its limit is read up to its last whole line within it.
    dir.write("big.conf",
              "packet_log=/tmp/1.log\n" + std::string(100, '#') + "\npacket_log=/tmp/2\n");
    EXPECT_EQ(readConfigFile(dir.file("big.conf"), 64), "packet_log=/tmp/1.log\n");
}

TEST(ConfigTest, ReadsKnownLinesAndPassesOverTheRest)
{
    LibraryConfig config;
    applyConfigText("# comment\n"
                    "packet_log = /tmp/p2k.log\r\n"
                    "at_mode_id=22b8:4902\n"
                    "p2k_mode_id=22B8:4901\n"
                    "p2k_mode_id=22b8:12345\n"
                    "p2k_mode_id=xyz:1\n"
                    "at_mode_id=22b8\n"
                    "colour=blue\n"
                    "no equals sign\n",
                    config);
    EXPECT_EQ(config.packetLogPath, "/tmp/p2k.log");
    ASSERT_EQ(config.atModeIds.size(), 1u);
    EXPECT_EQ(config.atModeIds[0].product, 0x4902);
    ASSERT_EQ(config.p2kModeIds.size(), 1u);
    EXPECT_EQ(config.p2kModeIds[0].vendor, 0x22B8);
    EXPECT_EQ(config.p2kModeIds[0].product, 0x4901);
}

} // namespace
} // namespace p2kusb
