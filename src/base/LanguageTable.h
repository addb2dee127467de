#pragma once
#include "base/MessageTexts.h"

#include <string>
#include <vector>

namespace zandrel {

// A text for one control of the main window, named by the control's objectName. Tab pages are
// "TabbedNotebook1.0" and "TabbedNotebook1.1"; status panels "StatusBar1.0" and "StatusBar1.1".
struct LanguageText {
    std::string receiver;
    std::string text;
};

// Reads the language file once and returns, in the order they must be applied, every caption
// the main window takes: the table's rows, then the four captions copied to the "List clean"
// submenu. Fills `messages` with 71..77. A missing or unreadable file gives the built-in texts.
std::vector<LanguageText> readLanguageFile(const std::string& path, MessageTexts& messages);

} // namespace zandrel
