#include "base/LanguageTable.h"

#include "TempDir.h"

#include <gtest/gtest.h>
#include <utility>

using namespace zandrel;

namespace {
using Expected = std::vector<std::pair<Caption, std::string>>;

// Every caption in the order the main window takes it, with no language file.
const Expected kBuiltIn = {
    {Caption::CleanButton, "Clean"},
    {Caption::AudioButton, "Audio"},
    {Caption::NotUsedButton, "Not used"},
    {Caption::PicturesFromAButton, "Pictures from /a/"},
    {Caption::MmsButton, "MMS"},
    {Caption::CameraSoundButton, "Sound for camera"},
    {Caption::ThemeButton, "Theme"},
    {Caption::VideoButton, "Video"},
    {Caption::PicturesButton, "Pictures"},
    {Caption::SearchButton, "Search"},
    {Caption::ReadButton, "Read from phone"},
    {Caption::RestartButton, "Restart"},
    {Caption::CleanJavaButton, "Clean Java"},
    {Caption::RingFixButton, "Ring Fix"},
    {Caption::WebSessionButton, "Russian Web session"},
    {Caption::BackupButton, "Create backup"},
    {Caption::OpenListButton, "Open list"},
    {Caption::ViewListButton, "View list"},
    {Caption::ListCleanButton, "Clean"},
    {Caption::CleanPage, "Clean"},
    {Caption::ToolsPage, "Tools"},
    {Caption::MmaFrame, "Original Mma"},
    {Caption::BackupFrame, "Backup"},
    {Caption::ListFrame, "List clean"},
    {Caption::FileMenu, "File"},
    {Caption::SweepToolsMenu, "Sweep tools"},
    {Caption::BackupToolsMenu, "Backup tools"},
    {Caption::OptionMenu, "Option"},
    {Caption::HelpMenu, "Help"},
    {Caption::CleanJavaItem, "Clean Java"},
    {Caption::RingFixItem, "Ring Fix"},
    {Caption::MmaMenu, "Original Mma"},
    {Caption::WebSessionItem, "Russian Web Sessions"},
    {Caption::SaveListItem, "Save list"},
    {Caption::SaveCheckedItem, "Save Checket"},
    {Caption::ExitItem, "Exit"},
    {Caption::StatusPanel, "Status: Disconnected"},
    {Caption::FreeSpacePanel, "Free:"},
    {Caption::ListCleanMenu, "List clean"},
    {Caption::OpenListItem, "Open list"},
    {Caption::ViewListItem, "View list"},
    {Caption::ListCleanItem, "Clean"},
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

std::string textFor(const std::vector<LanguageText>& texts, Caption receiver)
{
    for (const LanguageText& t : texts)
        if (t.receiver == receiver)
            return t.text;
    ADD_FAILURE() << "no text for caption " << int(receiver);
    return {};
}

void expectBuiltInMessages(const MessageTexts& messages)
{
    for (int key = 71; key <= 77; ++key)
        EXPECT_EQ(messages.get(MessageText(key)), kBuiltInMessages[key - 71]) << key;
}

TEST(LanguageTable, NoFileGivesEveryBuiltInTextInOrder)
{
    TempDir dir;
    MessageTexts messages;
    messages.set(MessageText::Connected, "stale");
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
        {"message", {71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90,
                     91, 92, 93}},
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
        EXPECT_EQ(texts[i].text, "T" + std::to_string(rowKeys[i])) << i;
    }
    for (int key = MessageTexts::kFirstKey; key <= MessageTexts::kLastKey; ++key)
        EXPECT_EQ(messages.get(MessageText(key)), "T" + std::to_string(key));
}

// A language file made before the texts of failed deletes and uploads shows them in English.
TEST(LanguageTable, FileWithoutTheNewerMessagesKeepsTheirBuiltInTexts)
{
    TempDir dir;
    dir.write("rus.lng", "[message]\r\n75=Done\r\n77=Read first\r\n80=%1: NUL\r\n");
    MessageTexts messages;
    readLanguageFile(dir.file("rus.lng"), messages);
    EXPECT_EQ(messages.get(MessageText::Deleted), "Done");
    EXPECT_EQ(messages.get(MessageText::NulInPath), "%1: NUL");
    for (const MessageText kept :
         {MessageText::NotDeleted, MessageText::DeleteResult, MessageText::UploadFailed})
        EXPECT_EQ(messages.get(kept), MessageTexts::builtIn(kept));
    EXPECT_EQ(MessageTexts::format(messages.get(MessageText::NotDeleted), {"2", "9"}),
              "2 of 9 files could not be deleted:");
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
    const auto set = [&](Caption receiver, const std::string& text) {
        for (auto& [r, t] : expected)
            if (r == receiver)
                t = text;
    };
    set(Caption::AudioButton, "");
    set(Caption::OpenListButton, "\xCE\xF2\xEA\xF0\xFB\xF2\xFC");
    set(Caption::OpenListItem, "\xCE\xF2\xEA\xF0\xFB\xF2\xFC");
    set(Caption::ListFrame, "Lists");
    set(Caption::ListCleanMenu, "Lists");
    set(Caption::StatusPanel, "Offline");
    set(Caption::FreeSpacePanel, "Space:");
    EXPECT_EQ(pairs(texts), expected);

    EXPECT_EQ(messages.get(MessageText::Disconnected), "Offline");
    EXPECT_EQ(messages.get(MessageText::FreeLabel), "Space:");
    EXPECT_EQ(messages.get(MessageText::ReadListFirst), "");
    EXPECT_EQ(messages.get(MessageText::Connected), "Status: Connectet");
    EXPECT_EQ(textFor(texts, Caption::CleanButton), "Clean");
}
} // namespace

TEST(MessageTexts, PluralGroupsPickTheFormOfTheirCount)
{
    const std::string english = "%1 {1:file|files} put back";
    // One form each of the three Russian ones, in Windows-1251 stand-ins: a, b, c.
    const std::string russian = "%1 {1:a|b|c}";
    const struct {
        const char* count;
        const char* english;
        const char* russian;
    } rows[] = {
        {"0", "0 files put back", "0 c"},   {"1", "1 file put back", "1 a"},
        {"2", "2 files put back", "2 b"},   {"5", "5 files put back", "5 c"},
        {"11", "11 files put back", "11 c"}, {"21", "21 files put back", "21 a"},
        {"22", "22 files put back", "22 b"}, {"100001", "100001 files put back", "100001 a"},
        {"112", "112 files put back", "112 c"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MessageTexts::format(english, {row.count}), row.english) << row.count;
        EXPECT_EQ(MessageTexts::format(russian, {row.count}), row.russian) << row.count;
    }
    // A group naming a missing argument, an unclosed one and a brace in an argument stay text.
    EXPECT_EQ(MessageTexts::format("{2:a|b} {1:x", {"{1:a|b}"}), "{2:a|b} {1:x");
    EXPECT_EQ(MessageTexts::format("%1 {1:a|b}", {"{1:a|b}"}), "{1:a|b} b");
}
