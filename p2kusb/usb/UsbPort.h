// The real phone on the USB bus: a background thread watches for it, switches an AT-mode phone
// to P2K mode and claims the command interface of a P2K-mode one, and tells the packet log what
// it saw and did.
#pragma once

#include "../PhonePort.h"

#include <memory>

namespace p2kusb {

// The thread starts at start() and is joined, within about a second, when the port is destroyed.
[[nodiscard]] std::unique_ptr<PhonePort> makeUsbPort(const LibraryConfig& config);

} // namespace p2kusb
