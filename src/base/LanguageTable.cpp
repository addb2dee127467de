#include "base/LanguageTable.h"

#include "base/IniFile.h"

#include <algorithm>
#include <cstdlib>

namespace zandrel {

namespace {
struct Row {
    const char* section;
    const char* key;
    const char* builtIn;
    const char* receiver; // nullptr: a message only
    bool message;         // the key is also a message number 71..77
};

// The order is the order the texts are applied in. There is no key "15" and button 18 reads
// key "17": the keys are the translators', not the buttons' numbers.
constexpr Row kRows[] = {
    {"button", "1", "Clean", "BitBtn1", false},
    {"button", "2", "Audio", "BitBtn2", false},
    {"button", "3", "Not used", "BitBtn3", false},
    {"button", "4", "Pictures from /a/", "BitBtn4", false},
    {"button", "5", "MMS", "BitBtn5", false},
    {"button", "6", "Sound for camera", "BitBtn6", false},
    {"button", "7", "Theme", "BitBtn7", false},
    {"button", "8", "Video", "BitBtn8", false},
    {"button", "9", "Pictures", "BitBtn9", false},
    {"button", "10", "Search", "BitBtn10", false},
    {"button", "11", "Read from phone", "BitBtn11", false},
    {"button", "12", "Restart", "BitBtn12", false},
    {"button", "13", "Clean Java", "BitBtn13", false},
    {"button", "14", "Ring Fix", "BitBtn14", false},
    {"button", "16", "Russian Web session", "BitBtn16", false},
    {"button", "17", "Create backup", "BitBtn18", false},
    {"button", "18", "Open list", "BitBtn19", false},
    {"button", "19", "View list", "BitBtn20", false},
    {"button", "20", "Clean", "BitBtn21", false},
    {"TN", "21", "Clean", "TabbedNotebook1.0", false},
    {"TN", "22", "Tools", "TabbedNotebook1.1", false},
    {"GroupBox", "31", "Original Mma", "GroupBox1", false},
    {"GroupBox", "32", "Backup", "GroupBox2", false},
    {"GroupBox", "33", "List clean", "GroupBox3", false},
    {"Memu", "41", "File", "File1", false},
    {"Memu", "42", "Sweep tools", "Sweeptools1", false},
    {"Memu", "43", "Backup tools", "Backuptools1", false},
    {"Memu", "44", "Option", "Options1", false},
    {"Memu", "45", "Help", "Help1", false},
    {"Memu1", "51", "Clean Java", "CleanJava1", false},
    {"Memu1", "52", "Ring Fix", "RingFix1", false},
    {"Memu1", "53", "Original Mma", "Mma2", false},
    {"Memu1", "54", "Russian Web Sessions", "mma1", false},
    {"Memu2", "61", "Save list", "Savelisttofile1", false},
    {"Memu2", "62", "Save Checket", "Savechecked1", false},
    {"Memu2", "63", "Exit", "Exit1", false},
    {"message", "71", "Receiving file list. Please wait...", nullptr, true},
    {"message", "72", "Status: Connectet", nullptr, true},
    {"message", "73", "Status: Disconnected", "StatusBar1.0", true},
    {"message", "74", "Free:", "StatusBar1.1", true},
    {"message", "75", "Deleted successfully", nullptr, true},
    {"message", "76", "Not list", nullptr, true},
    {"message", "77", "Please reed file list from phone", nullptr, true},
};

// The "List clean" submenu repeats the captions of the list frame and its buttons.
struct Copy {
    const char* receiver;
    const char* source;
};

constexpr Copy kCopies[] = {
    {"Listclean1", "GroupBox3"},
    {"Openlist1", "BitBtn19"},
    {"Viewlist1", "BitBtn20"},
    {"Clean1", "BitBtn21"},
};

const std::string& textOf(const std::vector<LanguageText>& texts, const char* receiver)
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
        std::string text = file.read(row.section, row.key, row.builtIn);
        if (row.message)
            messages.set(std::atoi(row.key), text);
        if (row.receiver)
            texts.push_back({row.receiver, std::move(text)});
    }
    for (const Copy& copy : kCopies) {
        std::string text = textOf(texts, copy.source);
        texts.push_back({copy.receiver, std::move(text)});
    }
    return texts;
}

} // namespace zandrel
