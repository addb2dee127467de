#include "monitor/ConnectionMonitor.h"

namespace zandrel {

MonitorView ConnectionMonitor::tick()
{
    MonitorView view;
    if (!phone_.isConnected()) {
        view.statusText = texts_.get(MessageText::Disconnected);
        return view;
    }
    view.statusText = texts_.get(MessageText::Connected);
    view.phoneButtonsEnabled = true;
    view.freeText = freeSpaceText(texts_.get(MessageText::FreeLabel), phone_.volInfo(&volumeInfo_));
    return view;
}

std::string freeSpaceText(const std::string& label, int32_t freeBytes)
{
    // C++ integer division truncates toward zero, as the panel wants.
    return label + " " + std::to_string(freeBytes / 1024) + " kb";
}

} // namespace zandrel
