#include "base/LanguageTable.h"

#include "base/IniFile.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace zandrel {

namespace {
struct Row {
    const char* section;
    const char* key;
    const char* builtIn;
    std::optional<Caption> receiver; // none: a message only
    bool message;                    // the key is also a message number 71..93
};

// The order is the order the texts are applied in. There is no key "15" and button 18 reads
// key "17": the keys are the translators', not the buttons' numbers.
constexpr Row kRows[] = {
    {"button", "1", "Clean", Caption::CleanButton, false},
    {"button", "2", "Audio", Caption::AudioButton, false},
    {"button", "3", "Not used", Caption::NotUsedButton, false},
    {"button", "4", "Pictures from /a/", Caption::PicturesFromAButton, false},
    {"button", "5", "MMS", Caption::MmsButton, false},
    {"button", "6", "Sound for camera", Caption::CameraSoundButton, false},
    {"button", "7", "Theme", Caption::ThemeButton, false},
    {"button", "8", "Video", Caption::VideoButton, false},
    {"button", "9", "Pictures", Caption::PicturesButton, false},
    {"button", "10", "Search", Caption::SearchButton, false},
    {"button", "11", "Read from phone", Caption::ReadButton, false},
    {"button", "12", "Restart", Caption::RestartButton, false},
    {"button", "13", "Clean Java", Caption::CleanJavaButton, false},
    {"button", "14", "Ring Fix", Caption::RingFixButton, false},
    {"button", "16", "Russian Web session", Caption::WebSessionButton, false},
    {"button", "17", "Create backup", Caption::BackupButton, false},
    {"button", "18", "Open list", Caption::OpenListButton, false},
    {"button", "19", "View list", Caption::ViewListButton, false},
    {"button", "20", "Clean", Caption::ListCleanButton, false},
    {"TN", "21", "Clean", Caption::CleanPage, false},
    {"TN", "22", "Tools", Caption::ToolsPage, false},
    {"GroupBox", "31", "Original Mma", Caption::MmaFrame, false},
    {"GroupBox", "32", "Backup", Caption::BackupFrame, false},
    {"GroupBox", "33", "List clean", Caption::ListFrame, false},
    {"Memu", "41", "File", Caption::FileMenu, false},
    {"Memu", "42", "Sweep tools", Caption::SweepToolsMenu, false},
    {"Memu", "43", "Backup tools", Caption::BackupToolsMenu, false},
    {"Memu", "44", "Option", Caption::OptionMenu, false},
    {"Memu", "45", "Help", Caption::HelpMenu, false},
    {"Memu1", "51", "Clean Java", Caption::CleanJavaItem, false},
    {"Memu1", "52", "Ring Fix", Caption::RingFixItem, false},
    {"Memu1", "53", "Original Mma", Caption::MmaMenu, false},
    {"Memu1", "54", "Russian Web Sessions", Caption::WebSessionItem, false},
    {"Memu2", "61", "Save list", Caption::SaveListItem, false},
    {"Memu2", "62", "Save Checket", Caption::SaveCheckedItem, false},
    {"Memu2", "63", "Exit", Caption::ExitItem, false},
    {"message", "71", nullptr, std::nullopt, true},
    {"message", "72", nullptr, std::nullopt, true},
    {"message", "73", nullptr, Caption::StatusPanel, true},
    {"message", "74", nullptr, Caption::FreeSpacePanel, true},
    {"message", "75", nullptr, std::nullopt, true},
    {"message", "76", nullptr, std::nullopt, true},
    {"message", "77", nullptr, std::nullopt, true},
    {"message", "78", nullptr, std::nullopt, true},
    {"message", "79", nullptr, std::nullopt, true},
    {"message", "80", nullptr, std::nullopt, true},
    {"message", "81", nullptr, std::nullopt, true},
    {"message", "82", nullptr, std::nullopt, true},
    {"message", "83", nullptr, std::nullopt, true},
    {"message", "84", nullptr, std::nullopt, true},
    {"message", "85", nullptr, std::nullopt, true},
    {"message", "86", nullptr, std::nullopt, true},
    {"message", "87", nullptr, std::nullopt, true},
    {"message", "88", nullptr, std::nullopt, true},
    {"message", "89", nullptr, std::nullopt, true},
    {"message", "90", nullptr, std::nullopt, true},
    {"message", "91", nullptr, std::nullopt, true},
    {"message", "92", nullptr, std::nullopt, true},
    {"message", "93", nullptr, std::nullopt, true},
};

// The "List clean" submenu repeats the captions of the list frame and its buttons.
struct Copy {
    Caption receiver;
    Caption source;
};

constexpr Copy kCopies[] = {
    {Caption::ListCleanMenu, Caption::ListFrame},
    {Caption::OpenListItem, Caption::OpenListButton},
    {Caption::ViewListItem, Caption::ViewListButton},
    {Caption::ListCleanItem, Caption::ListCleanButton},
};

const std::string& textOf(const std::vector<LanguageText>& texts, Caption receiver)
{
    const auto it = std::find_if(texts.begin(), texts.end(),
                                 [&](const LanguageText& t) { return t.receiver == receiver; });
    return it->text; // every source is a row of kRows
}
} // namespace

std::vector<LanguageText> readLanguageFile(const std::string& path, MessageTexts& messages)
{
    const IniFile file = IniFile::load(path);
    std::vector<LanguageText> texts;
    texts.reserve(std::size(kRows) + std::size(kCopies));
    for (const Row& row : kRows) {
        const int key = std::atoi(row.key);
        // The messages' built-in texts are kept with the messages.
        const char* builtIn = row.message ? MessageTexts::builtIn(MessageText(key)) : row.builtIn;
        std::string text = file.read(row.section, row.key, builtIn);
        if (row.message)
            messages.set(MessageText(key), text);
        if (row.receiver)
            texts.push_back({*row.receiver, std::move(text)});
    }
    for (const Copy& copy : kCopies) {
        std::string text = textOf(texts, copy.source);
        texts.push_back({copy.receiver, std::move(text)});
    }
    return texts;
}

} // namespace zandrel
