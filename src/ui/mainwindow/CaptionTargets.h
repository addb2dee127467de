#pragma once
#include "base/LanguageTable.h"

// The objectName of the main window's control that shows a caption of the language file, or
// nullptr for the two tab pages, which are titles of TabbedNotebook1 rather than controls.
const char* captionTarget(zandrel::Caption caption);

// The page of TabbedNotebook1 a page caption names.
int captionPage(zandrel::Caption caption);
