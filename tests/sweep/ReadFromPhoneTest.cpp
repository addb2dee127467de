#include "SessionFixture.h"

#include "sweep/ReadFromPhone.h"

#include <array>
#include <cstring>
#include <fstream>
#include <optional>

using namespace zandrel;

namespace {
class ReadFromPhoneTest : public SessionTest {};

const Lines kPhone = {"/a/mobile/audio/ring.mp3", "/a/mobile/kjava/game.jar", "/a/x.gif",
                      "/a/mobile/kjava/game.jad"};

TEST_F(ReadFromPhoneTest, AsksStatusCountThenListAndSplitsInLibraryOrder)
{
    phone.files = kPhone;
    ReadFromPhone(session);
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus", "File_Count", "File_List 4"}));
    EXPECT_EQ(pathsOf(session.sweep), (Lines{"/a/mobile/audio/ring.mp3", "/a/x.gif"}));
    EXPECT_EQ(linesOf(session.java),
              (Lines{"/a/mobile/kjava/game.jar", "/a/mobile/kjava/game.jad"}));
    for (std::size_t i = 0; i < session.sweep.size(); ++i)
        EXPECT_FALSE(session.sweep.ticked(i));
    EXPECT_FALSE(session.sweep.selected().has_value());
}

TEST_F(ReadFromPhoneTest, CaptionShowsMessage71WhileReading)
{
    texts.set(MessageText::Receiving, "Lese Liste");
    phone.files = kPhone;
    ReadFromPhone(session);
    EXPECT_EQ(prompts.captions, (Lines{"Zandrel - Lese Liste", "Zandrel"}));
}

TEST_F(ReadFromPhoneTest, DisconnectedReadEmptiesSweepListButKeepsJavaList)
{
    phone.files = kPhone;
    ReadFromPhone(session);
    session.sweep.setTicked(0, true);
    session.sweep.select(1);
    phone.status = 0;
    phone.calls.clear();
    prompts.captions.clear();

    ReadFromPhone(session);
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus"}));
    EXPECT_TRUE(session.sweep.empty());
    EXPECT_FALSE(session.sweep.selected().has_value());
    EXPECT_EQ(session.java.size(), 2u);
    EXPECT_EQ(prompts.captions, (Lines{"Zandrel"}));
}

TEST_F(ReadFromPhoneTest, SecondReadReplacesSweepListAndDoublesJavaList)
{
    phone.files = kPhone;
    ReadFromPhone(session);
    session.sweep.setTicked(1, true);
    ReadFromPhone(session);
    EXPECT_EQ(pathsOf(session.sweep), (Lines{"/a/mobile/audio/ring.mp3", "/a/x.gif"}));
    EXPECT_FALSE(session.sweep.ticked(1));
    EXPECT_EQ(linesOf(session.java),
              (Lines{"/a/mobile/kjava/game.jar", "/a/mobile/kjava/game.jad",
                     "/a/mobile/kjava/game.jar", "/a/mobile/kjava/game.jad"}));
}

TEST_F(ReadFromPhoneTest, JavaPrefixIsExactAndCaseSensitive)
{
    phone.files = {"/a/mobile/kj",
                   "/a/mobile/kjava/game.jar",
                   "/a/mobile/KJava/game.jar",
                   "/a/Mobile/kjava/game.jar",
                   "/b/mobile/kjava/game.jar",
                   "/a/mobile/k",
                   "a/mobile/kjava/x",
                   "/a/mobile/kj/x"};
    ReadFromPhone(session);
    EXPECT_EQ(linesOf(session.java),
              (Lines{"/a/mobile/kj", "/a/mobile/kjava/game.jar", "/a/mobile/kj/x"}));
    EXPECT_EQ(pathsOf(session.sweep),
              (Lines{"/a/mobile/KJava/game.jar", "/a/Mobile/kjava/game.jar",
                     "/b/mobile/kjava/game.jar", "/a/mobile/k", "a/mobile/kjava/x"}));
}

TEST_F(ReadFromPhoneTest, NamesFillTheWholeNameAreaOrEndAtTheFirstNul)
{
    const std::string full(504, 'n');
    const std::string tooLong = std::string(504, 'm') + "tail";
    const std::string highBytes = "/a/\xC0\xFF\x98\x01.mp3";
    phone.files = {full, "", tooLong, highBytes, "/a/mobile/kjava/" + std::string(488, 'j')};
    phone.countOverride = 6; // one record the library leaves all zero
    ReadFromPhone(session);
    EXPECT_EQ(pathsOf(session.sweep), (Lines{full, "", std::string(504, 'm'), highBytes, ""}));
    EXPECT_EQ(linesOf(session.java), (Lines{"/a/mobile/kjava/" + std::string(488, 'j')}));
}

TEST(RecordName, IgnoresTheHeaderAndEverythingAfterTheNul)
{
    std::array<unsigned char, kFileRecordSize> record{};
    record.fill(0xEE);
    std::memcpy(record.data() + kRecordNameOffset, "/a/x\0/a/y", 9);
    EXPECT_EQ(recordName(record.data()), "/a/x");
    record[kRecordNameOffset] = 0;
    EXPECT_EQ(recordName(record.data()), "");
    std::memset(record.data() + kRecordNameOffset, 'z', kRecordNameSize - 1);
    record[kFileRecordSize - 1] = 0;
    EXPECT_EQ(recordName(record.data()).size(), 503u); // the header bytes never count
}

TEST_F(ReadFromPhoneTest, ZeroCountStillCallsFileListAndAddsNothing)
{
    ReadFromPhone(session);
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus", "File_Count", "File_List 0"}));
    EXPECT_TRUE(session.sweep.empty());
    EXPECT_TRUE(session.java.empty());
}

TEST_F(ReadFromPhoneTest, NegativeCountIsARangeCheckError)
{
    phone.files = kPhone;
    ReadFromPhone(session);
    phone.calls.clear();
    prompts.captions.clear();
    phone.countOverride = -1;

    ReadFromPhone(session);
    EXPECT_EQ(prompts.take(), (Lines{"error: Range check error"}));
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus", "File_Count"}));
    EXPECT_TRUE(session.sweep.empty());
    EXPECT_EQ(session.java.size(), 2u);
    ASSERT_FALSE(prompts.captions.empty());
    EXPECT_EQ(prompts.captions.back(), "Zandrel");
    EXPECT_EQ(prompts.captionAtLastBox, "Zandrel") << "the read has stopped when the box shows";
}

bool memoryOvercommitted()
{
    std::ifstream mode("/proc/sys/vm/overcommit_memory");
    int value = 0;
    return (mode >> value) && value == 1;
}

TEST_F(ReadFromPhoneTest, CountTooLargeForMemoryIsAClearError)
{
    if (memoryOvercommitted())
        GTEST_SKIP() << "the system hands out a terabyte without complaint";
    phone.countOverride = 0x7fffffff;
    ReadFromPhone(session);
    const Lines shown = prompts.take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].starts_with("error: ")) << shown[0];
    EXPECT_NE(shown[0].find("2147483647"), std::string::npos) << shown[0];
    EXPECT_EQ(phone.calls, (Lines{"P2K_GetStatus", "File_Count"}));
    EXPECT_TRUE(session.sweep.empty());
    EXPECT_EQ(prompts.captions.back(), "Zandrel");
    EXPECT_EQ(prompts.captionAtLastBox, "Zandrel");
}

// A read stopped anywhere leaves both lists, the ticks and the selection as they were; the phone
// is asked nothing after the stop.
TEST_F(ReadFromPhoneTest, StoppedReadLeavesTheListsAsTheyWere)
{
    struct Row {
        const char* name;
        std::optional<std::size_t> stopAfterReports;
        bool stopDuringList;
        Lines calls;
        bool read;
    };
    const Lines full = {"P2K_GetStatus", "File_Count", "File_List 5"};
    const Row rows[] = {
        {"during the count", 0, false, {"P2K_GetStatus", "File_Count"}, false},
        {"during the listing", std::nullopt, true, full, false},
        {"while the names are measured", 1, false, full, false},
        {"while the records are split", 2, false, full, false},
        {"after the split", 3, false, full, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        phone.files = kPhone;
        prompts.stopAfterReports.reset();
        phone.onCall = nullptr;
        ReadFromPhone(session);
        session.sweep.setTicked(1, true);
        session.sweep.select(0);
        const std::size_t javaBefore = session.java.size();
        const std::size_t javaOfLastRead = session.javaOfLastRead;
        phone.files = {"/a/new.mp3", "/a/mobile/kjava/new.jar", "/a/b", "/a/c", "/a/d"};
        phone.calls.clear();
        prompts.progressReports = 0;
        prompts.stopAfterReports = row.stopAfterReports;
        if (row.stopDuringList)
            phone.onCall = [&](const std::string& made) {
                if (made.starts_with("File_List"))
                    prompts.stopAfterReports = 0;
            };
        EXPECT_EQ(ReadFromPhone(session), row.read ? ReadOutcome::Read : ReadOutcome::Stopped);
        EXPECT_EQ(phone.calls, row.calls);
        EXPECT_TRUE(prompts.progressEnded);
        if (row.read) {
            EXPECT_EQ(pathsOf(session.sweep), (Lines{"/a/new.mp3", "/a/b", "/a/c", "/a/d"}));
            EXPECT_EQ(session.java.size(), javaBefore + 1);
            EXPECT_EQ(session.javaOfLastRead, javaBefore);
            EXPECT_FALSE(session.sweep.selected().has_value());
        } else {
            EXPECT_EQ(pathsOf(session.sweep), (Lines{"/a/mobile/audio/ring.mp3", "/a/x.gif"}));
            EXPECT_TRUE(session.sweep.ticked(1));
            EXPECT_EQ(session.sweep.selected(), std::optional<std::size_t>(0));
            EXPECT_EQ(session.java.size(), javaBefore);
            EXPECT_EQ(session.javaOfLastRead, javaOfLastRead);
        }
        EXPECT_EQ(prompts.captions.back(), "Zandrel");
        EXPECT_TRUE(prompts.take().empty());
    }
}
} // namespace
