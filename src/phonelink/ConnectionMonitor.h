#pragma once
#include "base/MessageTexts.h"
#include "phonelink/PhoneLink.h"

#include <optional>
#include <string>

namespace zandrel {

// What one tick of the connection monitor puts on the window.
struct MonitorView {
    std::string statusText;              // panel 0
    std::optional<std::string> freeText; // panel 1; left as it was when absent
    bool phoneButtonsEnabled = false;    // "Clean" and "Read from phone"
};

// Asks the status and, only while connected, the free space.
MonitorView connectionTick(PhoneLink& phone, const MessageTexts& texts);

// message 74, a blank, bytes / 1024 truncated toward zero, a blank, "kb".
std::string freeSpaceText(const std::string& label, int32_t freeBytes);

} // namespace zandrel
