#pragma once

// Qt's own texts (its file dialogs', its standard buttons') follow the chosen language: the
// Russian ones come from Qt's translations (Debian's qt6-translations-l10n) where they are
// installed; English is Qt's own. Needs the application object. Returns whether Qt's texts now
// speak the language.
bool followLanguageInQtTexts(bool english);
