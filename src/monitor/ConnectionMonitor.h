#pragma once
#include "base/MessageTexts.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zandrel {

// What one tick of the connection monitor puts on the window.
struct MonitorView {
    std::string statusText;              // panel 0
    std::optional<std::string> freeText; // panel 1; left as it was when absent
    bool phoneButtonsEnabled = false;    // "Clean" and "Read from phone"
};

// Keeps the status bar and the two phone buttons in step with the phone link, once a tick.
class ConnectionMonitor {
public:
    ConnectionMonitor(PhoneLink& phone, const MessageTexts& texts) : phone_(phone), texts_(texts) {}

    // Asks the status and, only while connected, the free space.
    MonitorView tick();

private:
    PhoneLink& phone_;
    const MessageTexts& texts_;
    int32_t volumeInfo_ = 0; // the library's variable for the whole run; never read
};

// message 74, a blank, bytes / 1024 truncated toward zero, a blank, "kb".
std::string freeSpaceText(const std::string& label, int32_t freeBytes);

} // namespace zandrel
