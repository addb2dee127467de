// The command interface's control transfers, through libusb.
#pragma once

#include "../PhonePort.h"

#include <atomic>
#include <memory>

namespace p2kusb::usb {

class OpenDevice;

class LibusbPipe : public ControlPipe {
public:
    // `device` has the command interface claimed; every transfer names it in wIndex.
    explicit LibusbPipe(std::shared_ptr<OpenDevice> device);

    PipeStatus sendOut(std::uint8_t request, std::uint16_t value, const Bytes& data,
                       Millis timeout) override;
    PipeStatus receiveIn(std::uint8_t request, std::uint16_t value, std::uint16_t length,
                         Bytes& reply, Millis timeout) override;

    // The port saw the phone leave the bus: from now on every transfer fails with Gone without
    // touching libusb. A transfer that meets a vanished device marks the pipe the same way.
    void markGone() { gone_ = true; }
    [[nodiscard]] bool gone() const { return gone_; }

private:
    [[nodiscard]] PipeStatus transfer(std::uint8_t requestType, std::uint8_t request,
                                      std::uint16_t value, std::uint8_t* data, std::uint16_t length,
                                      Millis timeout, int& moved);

    std::shared_ptr<OpenDevice> device_;
    std::atomic<bool> gone_{false};
};

} // namespace p2kusb::usb
