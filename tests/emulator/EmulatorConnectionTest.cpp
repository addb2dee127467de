#include "EmulatorFixture.h"
#include "EmulatorResults.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

std::vector<int32_t> events;
void recordEvent(int32_t event) { events.push_back(event); }

// Sets or removes environment variables for one scope.
class Environment {
public:
    void set(const char* name, const std::string& value)
    {
        remember(name);
        ::setenv(name, value.c_str(), 1);
    }
    void unset(const char* name)
    {
        remember(name);
        ::unsetenv(name);
    }
    ~Environment()
    {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    void remember(const char* name)
    {
        const char* value = std::getenv(name);
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace

TEST_F(EmulatorTest, EditingPhoneIniPlugsAndUnplugsThePhone)
{
    startPhone({{"/a/x", "x"}});
    events.clear();
    ASSERT_EQ(P2K_Init(&recordEvent), 0);
    EXPECT_EQ(P2K_GetStatus(), 1);

    writeIni("; unplugged by hand\n[Phone]\nconnected=0\ncapacity=1000000\n");
    EXPECT_EQ(P2K_GetStatus(), 0);
    int32_t info = 77;
    std::vector<unsigned char> record(kRecord);
    int fd = ::open(dir.file("phone/phone.ini").c_str(), O_RDONLY);
    EXPECT_EQ(File_Count(), kNotConnected);
    EXPECT_EQ(File_List(record.data(), 1), kNotConnected);
    EXPECT_EQ(File_VolInfo(&info), kNotConnected);
    EXPECT_EQ(info, 77);
    EXPECT_EQ(File_Delete("/a/x"), kNotConnected);
    EXPECT_EQ(File_Create("/a/y", 4), kNotConnected);
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, &fd), kNotConnected);
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), 0) << "nothing was read from the file";
    ::close(fd);
    EXPECT_EQ(P2K_Restart(), kNotConnected);
    EXPECT_TRUE(onPhone("/a/x"));

    writeIni("[Phone]\nconnected=1\n");
    EXPECT_EQ(P2K_GetStatus(), 1);
    EXPECT_EQ(File_Count(), 1);
    EXPECT_EQ(events, (std::vector<int32_t>{0, 1}));
    EXPECT_NE(journal().find("File_Delete(\"/a/x\") -> -4 not connected"), std::string::npos);

    fs::remove(root + "/phone.ini");
    EXPECT_EQ(P2K_GetStatus(), 1) << "without phone.ini the phone is plugged in";
}

TEST_F(EmulatorTest, UnpluggingLosesTheOpenFile)
{
    startPhone({{"/a/x", "old"}});
    ASSERT_EQ(File_Create("/a/x", 4), kOk);
    ASSERT_EQ(File_Write("new", 3, 2), 3);
    writeIni("[Phone]\nconnected=0\n");
    EXPECT_EQ(File_Close(), kNotConnected);
    writeIni("[Phone]\nconnected=1\n");
    EXPECT_EQ(File_Close(), kOutOfOrder);
    EXPECT_EQ(phoneFile("/a/x"), "old");
}

TEST_F(EmulatorTest, RestartedPhoneIsAwayForItsRestartTime)
{
    startPhone({{"/a/x", "x"}}, "[Phone]\nconnected=1\nrestart_ms=400\n");
    ASSERT_EQ(File_Create("/a/y", 4), kOk);
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(P2K_Restart(), kOk);
    EXPECT_EQ(P2K_GetStatus(), 0);
    EXPECT_EQ(File_Count(), kNotConnected);
    while (P2K_GetStatus() == 0 &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto away = std::chrono::steady_clock::now() - started;
    EXPECT_GE(away, std::chrono::milliseconds(400));
    EXPECT_LT(away, std::chrono::seconds(3));
    EXPECT_EQ(P2K_GetStatus(), 1);
    EXPECT_EQ(File_Close(), kOutOfOrder) << "the restart dropped the open file";
}

TEST_F(EmulatorTest, NonsenseInPhoneIniKeepsTheDefaults)
{
    startPhone({{"/a/x", std::string(24, 'x')}},
               "[Phone]\nconnected=maybe\ncapacity=lots\nrestart_ms=-5\ncolour=blue\n");
    EXPECT_EQ(P2K_GetStatus(), 1);
    EXPECT_EQ(File_VolInfo(nullptr), 5 * 1024 * 1024 - 24);
    std::string log = journal();
    EXPECT_NE(log.find("connected=maybe makes no sense"), std::string::npos);
    EXPECT_NE(log.find("unknown key colour"), std::string::npos);
}

TEST_F(EmulatorTest, CallsWithoutAPhoneFolderFailCleanly)
{
    dir.write("phone", "a file where the phone folder should be");
    EXPECT_LT(P2K_Init(nullptr), 0);
    EXPECT_EQ(P2K_GetStatus(), 0);
    EXPECT_EQ(File_Count(), kNotInitialised);
    EXPECT_EQ(File_List(nullptr, 0), kNotInitialised);
    EXPECT_EQ(File_VolInfo(nullptr), kNotInitialised);
    EXPECT_EQ(File_Delete("/a/x"), kNotInitialised);
    EXPECT_EQ(File_Create("/a/x", 4), kNotInitialised);
    EXPECT_EQ(File_Write("x", 1, 0), kNotInitialised);
    EXPECT_EQ(File_Close(), kNotInitialised);
    EXPECT_EQ(Seem_Write(0x4C, 1, 0, 0, nullptr), kNotInitialised);
    EXPECT_EQ(P2K_Restart(), kNotInitialised);

    fs::remove(root);
    EXPECT_EQ(P2K_Init(nullptr), 0);
    EXPECT_EQ(P2K_GetStatus(), 1);
}

TEST_F(EmulatorTest, PhoneFolderFollowsTheEnvironment)
{
    struct Row {
        const char* root;
        const char* xdgData;
        const char* home;
        const char* expected; // below the test folder
    };
    const Row rows[] = {
        {"mine", "data", "home", "mine"},
        {nullptr, "data", "home", "data/zandrel/phone"},
        {nullptr, nullptr, "home", "home/.local/share/zandrel/phone"},
        {nullptr, "relative/ignored", "home", "home/.local/share/zandrel/phone"},
    };
    for (const Row& row : rows) {
        Environment env;
        auto absolute = [&](const char* sub) { return dir.file(sub); };
        row.root ? env.set("P2KEMU_ROOT", absolute(row.root)) : env.unset("P2KEMU_ROOT");
        if (!row.xdgData)
            env.unset("XDG_DATA_HOME");
        else if (row.xdgData[0] == 'r')
            env.set("XDG_DATA_HOME", row.xdgData);
        else
            env.set("XDG_DATA_HOME", absolute(row.xdgData));
        env.set("HOME", absolute(row.home));
        ASSERT_EQ(P2K_Init(nullptr), 0) << row.expected;
        EXPECT_TRUE(dir.exists(std::string(row.expected) + "/fs/a/mobile/system/mma_ucp"))
            << row.expected;
        EXPECT_TRUE(dir.exists(std::string(row.expected) + "/journal.log")) << row.expected;
        fs::remove_all(dir.file(row.expected));
    }
}

TEST_F(EmulatorTest, JournalHasOneReadableLinePerCall)
{
    startPhone({{"/a/\xC7\xE2\xEE\xED\xEE\xEA.mp3", "ring"}});
    fs::remove(root + "/journal.log");
    ASSERT_EQ(File_Delete("/a/\xC7\xE2\xEE\xED\xEE\xEA.mp3"), kOk);
    ASSERT_EQ(File_Delete("/a/../x"), kBadPath);
    ASSERT_EQ(File_Count(), 0);
    ASSERT_EQ(P2K_GetStatus(), 1);

    std::string log = journal();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);
    EXPECT_NE(log.find("File_Delete(\"/a/\\xC7\\xE2\\xEE\\xED\\xEE\\xEA.mp3\") -> 0 ok\n"),
              std::string::npos);
    EXPECT_NE(log.find("File_Delete(\"/a/../x\") -> -3 bad path: \"..\" name\n"),
              std::string::npos);
    EXPECT_NE(log.find("File_Count() -> 0 ok\n"), std::string::npos);
    EXPECT_TRUE(std::all_of(log.begin(), log.end(), [](char c) {
        return c == '\n' ||
               (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
    }));
}
