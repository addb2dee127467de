#pragma once
#include "base/MessageTexts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zandrel {

// The main window's captions that a language file sets, named by what they label; the window
// decides which of its controls shows each.
enum class Caption : std::uint8_t {
    // Buttons.
    CleanButton,
    AudioButton,
    NotUsedButton,
    PicturesFromAButton,
    MmsButton,
    CameraSoundButton,
    ThemeButton,
    VideoButton,
    PicturesButton,
    SearchButton,
    ReadButton,
    RestartButton,
    CleanJavaButton,
    RingFixButton,
    WebSessionButton,
    BackupButton,
    OpenListButton,
    ViewListButton,
    ListCleanButton,
    // Tab pages and frames.
    CleanPage,
    ToolsPage,
    MmaFrame,
    BackupFrame,
    ListFrame,
    // Menus and their items.
    FileMenu,
    SweepToolsMenu,
    BackupToolsMenu,
    OptionMenu,
    HelpMenu,
    CleanJavaItem,
    RingFixItem,
    MmaMenu,
    WebSessionItem,
    SaveListItem,
    SaveCheckedItem,
    ExitItem,
    // The status bar's start-up texts.
    StatusPanel,
    FreeSpacePanel,
    // The "List clean" submenu, which repeats the list frame's captions.
    ListCleanMenu,
    OpenListItem,
    ViewListItem,
    ListCleanItem,
};

struct LanguageText {
    Caption receiver;
    std::string text;
};

// Reads the language file once and returns, in the order they must be applied, every caption
// the main window takes: the table's rows, then the four captions copied to the "List clean"
// submenu. Fills `messages` with every message, 71 and on. A missing or unreadable file gives the built-in texts.
std::vector<LanguageText> readLanguageFile(const std::string& path, MessageTexts& messages);

} // namespace zandrel
