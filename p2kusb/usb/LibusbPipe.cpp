#include "LibusbPipe.h"

#include "Libusb.h"

#include <libusb.h>
#include <limits>

namespace p2kusb::usb {

namespace {

constexpr std::uint8_t kVendorToInterfaceOut = 0x41;
constexpr std::uint8_t kVendorToInterfaceIn = 0xC1;

PipeStatus statusOf(int result)
{
    switch (result) {
    case LIBUSB_ERROR_TIMEOUT:
        return PipeStatus::Timeout;
    case LIBUSB_ERROR_NO_DEVICE:
        return PipeStatus::Gone;
    default:
        return result < 0 ? PipeStatus::Failed : PipeStatus::Ok;
    }
}

} // namespace

LibusbPipe::LibusbPipe(std::shared_ptr<OpenDevice> device) : device_(std::move(device)) {}

PipeStatus LibusbPipe::sendOut(std::uint8_t request, std::uint16_t value, const Bytes& data,
                               Millis timeout)
{
    if (data.size() > std::numeric_limits<std::uint16_t>::max())
        return PipeStatus::Failed; // wLength cannot say it
    // libusb only reads an OUT buffer; the copy keeps `data` const without a cast.
    Bytes buffer = data;
    int moved = 0;
    const PipeStatus status = transfer(kVendorToInterfaceOut, request, value, buffer.data(),
                                       static_cast<std::uint16_t>(buffer.size()), timeout, moved);
    if (status != PipeStatus::Ok)
        return status;
    // A phone that took part of a command has not taken the command.
    return static_cast<std::size_t>(moved) == data.size() ? PipeStatus::Ok : PipeStatus::Failed;
}

PipeStatus LibusbPipe::receiveIn(std::uint8_t request, std::uint16_t value, std::uint16_t length,
                                 Bytes& reply, Millis timeout)
{
    reply.assign(length, 0);
    int moved = 0;
    const PipeStatus status =
        transfer(kVendorToInterfaceIn, request, value, reply.data(), length, timeout, moved);
    reply.resize(status == PipeStatus::Ok ? static_cast<std::size_t>(moved) : 0);
    return status;
}

PipeStatus LibusbPipe::transfer(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                                std::uint8_t* data, std::uint16_t length, Millis timeout,
                                int& moved)
{
    if (gone_)
        return PipeStatus::Gone;
    const int result =
        libusb_control_transfer(device_->handle(), requestType, request, value,
                                device_->interface(), data, length, boundedTimeout(timeout));
    const PipeStatus status = statusOf(result);
    if (status == PipeStatus::Gone)
        gone_ = true;
    moved = status == PipeStatus::Ok ? result : 0;
    return status;
}

} // namespace p2kusb::usb
