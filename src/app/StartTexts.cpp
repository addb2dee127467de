#include "app/StartTexts.h"

#include "base/IniFile.h"

namespace zandrel {

StartTexts StartTexts::load(const std::string& languageFile)
{
    const IniFile file = IniFile::load(languageFile);
    StartTexts texts;
    texts.runsWithEmulator = file.read(kSection, "301", texts.runsWithEmulator);
    texts.runsWithPhone = file.read(kSection, "302", texts.runsWithPhone);
    return texts;
}

} // namespace zandrel
