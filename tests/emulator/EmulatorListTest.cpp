#include "EmulatorFixture.h"
#include "EmulatorResults.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;
using namespace p2kemu;

namespace {

bool startsWith(const std::string& s, const std::string& head) { return s.rfind(head, 0) == 0; }

// The first k bytes of s followed by its last 3, as the category buttons compare it.
std::string headAndTail(const std::string& s, std::size_t k)
{
    return s.substr(0, std::min(k, s.size())) + s.substr(s.size() < 3 ? 0 : s.size() - 3);
}

struct CategoryRule {
    const char* name;
    std::function<bool(const std::string&)> ticks;
};

const CategoryRule kRules[] = {
    {"Audio",
     [](const std::string& s) {
         return startsWith(s, "/a/mobile/audio") && s != "/a/mobile/audio/funlight.pat";
     }},
    {"Pictures", [](const std::string& s) { return startsWith(s, "/a/mobile/picture"); }},
    {"Not used", [](const std::string& s) { return startsWith(s, "/a/mobile/mib/pcf"); }},
    {"Pictures from /a/",
     [](const std::string& s) {
         return headAndTail(s, 3) == "/a/gif" || headAndTail(s, 3) == "/a/png";
     }},
    {"MMS", [](const std::string& s) { return startsWith(s, "/a/mobile/mms/mmstemplate"); }},
    {"Sound for camera",
     [](const std::string& s) {
         return headAndTail(s, 12) == "/a/mobile/syamr" || headAndTail(s, 12) == "/a/mobile/sywav";
     }},
    {"Theme", [](const std::string& s) { return headAndTail(s, 3) == "/a/tcf"; }},
    {"Video", [](const std::string& s) { return startsWith(s, "/a/mobile/video"); }},
};

std::size_t regularFilesUnder(const std::string& folder)
{
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.is_regular_file() ? 1 : 0;
    return count;
}

uint32_t le32(const unsigned char* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

} // namespace

TEST_F(EmulatorTest, FirstInitMakesABelievableDemoPhone)
{
    ASSERT_EQ(P2K_Init(nullptr), 0);
    EXPECT_TRUE(fs::is_directory(root + "/seem"));
    EXPECT_NE(dir.read("phone/phone.ini").find("\nconnected=1"), std::string::npos);

    std::vector<std::string> paths = listPaths();
    EXPECT_EQ(paths.size(), regularFilesUnder(root + "/fs"));
    EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end()));
    for (const char* needed : {"/a/mobile/audio/funlight.pat", "/a/mobile/audio/MyToneDB.db",
                               "/a/mobile/audio/TempToneDB.db", "/a/mobile/system/mma_ucp"})
        EXPECT_NE(std::find(paths.begin(), paths.end(), needed), paths.end()) << needed;
    for (const CategoryRule& rule : kRules)
        EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), rule.ticks)) << rule.name;
    auto java = std::count_if(paths.begin(), paths.end(),
                              [](const std::string& p) { return startsWith(p, "/a/mobile/kj"); });
    EXPECT_GE(java, 2);
    auto cyrillic = std::count_if(paths.begin(), paths.end(), [](const std::string& p) {
        return std::any_of(p.begin(), p.end(),
                           [](char c) { return static_cast<unsigned char>(c) >= 0xC0; });
    });
    EXPECT_GE(cyrillic, 2);
    EXPECT_EQ(fs::file_size(fsFile("/a/mobile/system/mma_ucp")) > 0, true);
}

TEST_F(EmulatorTest, LaterInitKeepsThePhoneAsItWas)
{
    ASSERT_EQ(P2K_Init(nullptr), 0);
    int32_t before = File_Count();
    ASSERT_EQ(File_Delete("/a/mobile/audio/funlight.pat"), 0);
    writeIni("[Phone]\nconnected=0\n");

    ASSERT_EQ(P2K_Init(nullptr), 0);
    EXPECT_EQ(P2K_GetStatus(), 0);
    EXPECT_EQ(dir.read("phone/phone.ini"), "[Phone]\nconnected=0\n");
    writeIni("[Phone]\nconnected=1\n");
    EXPECT_EQ(File_Count(), before - 1);
    EXPECT_FALSE(onPhone("/a/mobile/audio/funlight.pat"));
}

TEST_F(EmulatorTest, ListsEveryFileInByteOrderOfItsPath)
{
    startPhone({{"/a/b.txt", "abc"},
                {"/a/B.txt", std::string(0x0102, 'x')},
                {"/a/\xC7.mp3", "m"},
                {"/a/a/z", ""},
                {"/a/a.txt", "1"},
                {"/a/a-b", "2"},
                {"/Z", "z"}});
    std::vector<unsigned char> records = listRecords();
    ASSERT_EQ(records.size(), 7u * kRecord);
    std::vector<std::string> expected = {"/Z",     "/a/B.txt", "/a/a-b",     "/a/a.txt",
                                         "/a/a/z", "/a/b.txt", "/a/\xC7.mp3"};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const unsigned char* record = records.data() + i * kRecord;
        EXPECT_EQ(recordPath(record), expected[i]) << i;
        EXPECT_EQ(le32(record), fs::file_size(fsFile(expected[i]))) << i;
        EXPECT_EQ(le32(record + 4), 0u) << "attributes of " << i;
        // After the NUL the name area is clean, not left-over bytes of another path.
        EXPECT_TRUE(std::all_of(record + 8 + expected[i].size(), record + kRecord,
                                [](unsigned char b) { return b == 0; }));
    }
    EXPECT_EQ(le32(records.data() + kRecord), 0x0102u);
}

TEST_F(EmulatorTest, ListsOnlyWhatThePhoneCouldHold)
{
    std::string longest = "/" + std::string(250, 'p') + "/" + std::string(250, 'q') + "/";
    longest += std::string(504 - longest.size(), 'r');
    std::string tooLong = longest.substr(0, longest.size() - 1) + "rr";
    startPhone({{"/a/ok.txt", "ok"},
                {longest, "504"},
                {tooLong, "505"},
                {"/a/bad\x01name", "c"},
                {"/a/.p2kemu-7-1.tmp", "half written"}});
    fs::create_directories(root + "/fs/a/empty-folder");
    dir.write("outside/secret.txt", "not on the phone");
    fs::create_symlink(dir.file("outside"), root + "/fs/a/linked-folder");
    fs::create_symlink(dir.file("outside/secret.txt"), root + "/fs/a/linked-file");

    std::vector<unsigned char> records = listRecords();
    ASSERT_EQ(records.size(), 2u * kRecord);
    const unsigned char* full = records.data() + kRecord;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(full + 8), 504), longest);
    EXPECT_EQ(recordPath(records.data()), "/a/ok.txt");
    EXPECT_NE(journal().find("left out"), std::string::npos);
}

TEST_F(EmulatorTest, ListWithACountThatDisagreesFillsWhatBothAllow)
{
    startPhone({{"/a/1", "1"}, {"/a/2", "2"}, {"/a/3", "3"}, {"/a/4", "4"}});
    std::vector<std::string> all = listPaths();
    ASSERT_EQ(all.size(), 4u);

    for (int32_t count : {0, 2, 4, 7}) {
        std::vector<unsigned char> records(static_cast<std::size_t>(std::max(count, 1)) * kRecord,
                                           0xAB);
        int32_t filled = std::min(count, 4);
        EXPECT_EQ(File_List(records.data(), count), filled) << count;
        for (int32_t i = 0; i < filled; ++i)
            EXPECT_EQ(recordPath(records.data() + i * kRecord), all[i]) << count;
        EXPECT_TRUE(std::all_of(records.begin() + filled * kRecord, records.end(),
                                [](unsigned char b) { return b == 0xAB; }))
            << "records past the phone's files stay as the caller left them, count " << count;
    }
    EXPECT_EQ(File_List(nullptr, 0), 0);
    EXPECT_EQ(File_List(nullptr, 3), kBadArgument);
    std::vector<unsigned char> one(kRecord);
    EXPECT_EQ(File_List(one.data(), -1), kBadArgument);
}

TEST_F(EmulatorTest, FreeSpaceIsCapacityLessTheFiles)
{
    startPhone({{"/a/x", std::string(100, 'x')}, {"/a/y/z", std::string(250, 'z')}},
               "[Phone]\ncapacity=10000\n");
    int32_t info = -1;
    EXPECT_EQ(File_VolInfo(&info), 9650);
    EXPECT_EQ(info, 9650);
    EXPECT_EQ(File_VolInfo(nullptr), 9650);

    struct Row {
        const char* capacity;
        int32_t free;
    };
    for (Row row : {Row{"1000000000000", INT32_MAX}, Row{"100", 0}, Row{"350", 0}, Row{"351", 1}}) {
        writeIni(std::string("[Phone]\ncapacity=") + row.capacity + "\n");
        EXPECT_EQ(File_VolInfo(&info), row.free) << row.capacity;
        EXPECT_EQ(info, row.free) << row.capacity;
    }
}
