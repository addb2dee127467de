#include "phonelink/ConnectionMonitor.h"

namespace zandrel {

MonitorView connectionTick(PhoneLink& phone, const MessageTexts& texts)
{
    MonitorView view;
    if (phone.getStatus() != 1) {
        view.statusText = texts.get(73);
        return view;
    }
    view.statusText = texts.get(72);
    view.phoneButtonsEnabled = true;
    static int32_t volumeInfo = 0; // the library's variable for the whole run; never read
    view.freeText = freeSpaceText(texts.get(74), phone.volInfo(&volumeInfo));
    return view;
}

std::string freeSpaceText(const std::string& label, int32_t freeBytes)
{
    // C++ integer division truncates toward zero, as the panel wants.
    return label + " " + std::to_string(freeBytes / 1024) + " kb";
}

} // namespace zandrel
