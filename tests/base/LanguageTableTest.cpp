#include "base/LanguageTable.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <utility>

using namespace zandrel;

namespace {
using Expected = std::vector<std::pair<std::string, std::string>>;

// Every caption in the order the main window takes it, with no language file.
const Expected kBuiltIn = {
    {"BitBtn1", "Clean"},
    {"BitBtn2", "Audio"},
    {"BitBtn3", "Not used"},
    {"BitBtn4", "Pictures from /a/"},
    {"BitBtn5", "MMS"},
    {"BitBtn6", "Sound for camera"},
    {"BitBtn7", "Theme"},
    {"BitBtn8", "Video"},
    {"BitBtn9", "Pictures"},
    {"BitBtn10", "Search"},
    {"BitBtn11", "Read from phone"},
    {"BitBtn12", "Restart"},
    {"BitBtn13", "Clean Java"},
    {"BitBtn14", "Ring Fix"},
    {"BitBtn16", "Russian Web session"},
    {"BitBtn18", "Create backup"},
    {"BitBtn19", "Open list"},
    {"BitBtn20", "View list"},
    {"BitBtn21", "Clean"},
    {"TabbedNotebook1.0", "Clean"},
    {"TabbedNotebook1.1", "Tools"},
    {"GroupBox1", "Original Mma"},
    {"GroupBox2", "Backup"},
    {"GroupBox3", "List clean"},
    {"File1", "File"},
    {"Sweeptools1", "Sweep tools"},
    {"Backuptools1", "Backup tools"},
    {"Options1", "Option"},
    {"Help1", "Help"},
    {"CleanJava1", "Clean Java"},
    {"RingFix1", "Ring Fix"},
    {"Mma2", "Original Mma"},
    {"mma1", "Russian Web Sessions"},
    {"Savelisttofile1", "Save list"},
    {"Savechecked1", "Save Checket"},
    {"Exit1", "Exit"},
    {"StatusBar1.0", "Status: Disconnected"},
    {"StatusBar1.1", "Free:"},
    {"Listclean1", "List clean"},
    {"Openlist1", "Open list"},
    {"Viewlist1", "View list"},
    {"Clean1", "Clean"},
};

const char* const kBuiltInMessages[] = {
    "Receiving file list. Please wait...",
    "Status: Connectet",
    "Status: Disconnected",
    "Free:",
    "Deleted successfully",
    "Not list",
    "Please reed file list from phone",
};

Expected pairs(const std::vector<LanguageText>& texts)
{
    Expected out;
    for (const LanguageText& t : texts)
        out.emplace_back(t.receiver, t.text);
    return out;
}

std::string textFor(const std::vector<LanguageText>& texts, const std::string& receiver)
{
    for (const LanguageText& t : texts)
        if (t.receiver == receiver)
            return t.text;
    ADD_FAILURE() << "no text for " << receiver;
    return {};
}

void expectBuiltInMessages(const MessageTexts& messages)
{
    for (int key = 71; key <= 77; ++key)
        EXPECT_EQ(messages.get(key), kBuiltInMessages[key - 71]) << key;
}

TEST(LanguageTable, NoFileGivesEveryBuiltInTextInOrder)
{
    TempDir dir;
    MessageTexts messages;
    messages.set(72, "stale");
    EXPECT_EQ(pairs(readLanguageFile(dir.file("rus.lng"), messages)), kBuiltIn);
    expectBuiltInMessages(messages);
}

TEST(LanguageTable, UnreadableFileGivesBuiltInTexts)
{
    TempDir dir;
    dir.write("rus.lng/inner", "");
    MessageTexts messages;
    EXPECT_EQ(pairs(readLanguageFile(dir.file("rus.lng"), messages)), kBuiltIn);
    expectBuiltInMessages(messages);
}

TEST(LanguageTable, TranslatedFileReachesEveryReceiver)
{
    // Each row's key becomes its text "Tnn", so any mix-up of rows shows.
    std::string file;
    const std::pair<const char*, std::vector<int>> sections[] = {
        {"button", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19, 20}},
        {"TN", {21, 22}},
        {"GroupBox", {31, 32, 33}},
        {"Memu", {41, 42, 43, 44, 45}},
        {"Memu1", {51, 52, 53, 54}},
        {"Memu2", {61, 62, 63}},
        {"message", {71, 72, 73, 74, 75, 76, 77}},
    };
    for (const auto& [section, keys] : sections) {
        file += "[" + std::string(section) + "]\r\n";
        for (int key : keys)
            file += std::to_string(key) + "=T" + std::to_string(key) + "\r\n";
    }
    TempDir dir;
    dir.write("eng.lng", file);
    MessageTexts messages;
    const auto texts = readLanguageFile(dir.file("eng.lng"), messages);

    ASSERT_EQ(texts.size(), kBuiltIn.size());
    const int rowKeys[] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                           16, 17, 18, 19, 20, 21, 22, 31, 32, 33, 41, 42, 43, 44,
                           45, 51, 52, 53, 54, 61, 62, 63, 73, 74, 33, 18, 19, 20};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].receiver, kBuiltIn[i].first);
        EXPECT_EQ(texts[i].text, "T" + std::to_string(rowKeys[i])) << texts[i].receiver;
    }
    for (int key = 71; key <= 77; ++key)
        EXPECT_EQ(messages.get(key), "T" + std::to_string(key));
}

TEST(LanguageTable, PartialFileChangesOnlyItsRows)
{
    TempDir dir;
    dir.write("rus.lng", "[BUTTON]\r\n"
                         "2=\r\n"
                         "15=Fifteen\r\n"
                         "18=\xCE\xF2\xEA\xF0\xFB\xF2\xFC\r\n"
                         "[Memu]\r\n"
                         "1=Wrong section\r\n"
                         "[groupbox]\r\n"
                         "33= 'Lists' \r\n"
                         "[MESSAGE]\r\n"
                         "73=Offline\r\n"
                         "74=Space:\r\n"
                         "77=\r\n");
    MessageTexts messages;
    const auto texts = readLanguageFile(dir.file("rus.lng"), messages);

    Expected expected = kBuiltIn;
    const auto set = [&](const std::string& receiver, const std::string& text) {
        for (auto& [r, t] : expected)
            if (r == receiver)
                t = text;
    };
    set("BitBtn2", "");
    set("BitBtn19", "\xCE\xF2\xEA\xF0\xFB\xF2\xFC");
    set("Openlist1", "\xCE\xF2\xEA\xF0\xFB\xF2\xFC");
    set("GroupBox3", "Lists");
    set("Listclean1", "Lists");
    set("StatusBar1.0", "Offline");
    set("StatusBar1.1", "Space:");
    EXPECT_EQ(pairs(texts), expected);

    EXPECT_EQ(messages.get(73), "Offline");
    EXPECT_EQ(messages.get(74), "Space:");
    EXPECT_EQ(messages.get(77), "");
    EXPECT_EQ(messages.get(72), "Status: Connectet");
    EXPECT_EQ(textFor(texts, "BitBtn1"), "Clean");
}
} // namespace
