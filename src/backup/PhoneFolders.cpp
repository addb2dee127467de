#include "backup/PhoneFolders.h"

#include "base/Settings.h"
#include "phonelink/PhoneLink.h"

namespace zandrel {

bool isDemoPhone(const std::string& kind) { return kind == PhoneLink::kEmulatorKind; }

PhoneFolders phoneFolders(const std::string& kind, const std::string& dataHome)
{
    if (dataHome.empty())
        return {};
    const std::string base = dataHome + (isDemoPhone(kind) ? "/zandrel/emulator" : "/zandrel");
    return {base + "/work", base + "/trash"};
}

PhoneFolders phoneFolders(const std::string& kind)
{
    return phoneFolders(kind, userFolder("XDG_DATA_HOME", ".local/share"));
}

} // namespace zandrel
