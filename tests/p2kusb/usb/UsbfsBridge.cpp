#include "UsbfsBridge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <libusb.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

namespace p2kusb::usb::test {

namespace {

constexpr std::size_t kSetupSize = 8;
constexpr Millis kPhoneTimeout{1000};

struct Setup {
    std::uint8_t requestType;
    std::uint8_t request;
    std::uint16_t value;
    std::uint16_t index;
    std::uint16_t length;
};

Setup setupOf(const std::uint8_t* packet)
{
    const auto word = [packet](int at) {
        return static_cast<std::uint16_t>(packet[at] | (packet[at + 1] << 8));
    };
    return {packet[0], packet[1], word(2), word(4), word(6)};
}

usbdevfs_urb& urbOf(UMockdevIoctlData* data)
{
    return *reinterpret_cast<usbdevfs_urb*>(data->data);
}

// Resolves the struct the ioctl's argument points at; the caller unrefs it.
UMockdevIoctlData* pointee(UMockdevIoctlClient* client, std::size_t size)
{
    return umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, nullptr);
}

} // namespace

UsbfsBridge::UsbfsBridge(MockDevice device, ControlPipe* phone, Modem modem)
    : device_(std::move(device)), phone_(phone), modem_(std::move(modem)),
      handler_(umockdev_ioctl_base_new())
{
    // The phone answers on its vendor-specific interface without endpoints, whatever its name
    // (the library's own way of finding it is what the tests check).
    for (const MockInterface& interface : device_.interfaces) {
        if (interface.interfaceClass == 0xFF && interface.endpoints.empty())
            commandInterface_ = interface.number;
    }
    modemWritesToFail_ = device_.failedModemWrites;
    driverDetached_.assign(256, false);
    g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(&UsbfsBridge::onIoctl), this);
}

UsbfsBridge::~UsbfsBridge()
{
    g_signal_handlers_disconnect_by_data(handler_, this);
    g_object_unref(handler_);
    const std::lock_guard lock(mutex_);
    for (auto* queue : {&done_, &waiting_}) {
        for (Urb& urb : *queue)
            release(urb);
    }
}

std::string UsbfsBridge::modemReceived() const
{
    const std::lock_guard lock(mutex_);
    return modemReceived_;
}

std::vector<std::string> UsbfsBridge::interfaceEvents() const
{
    const std::lock_guard lock(mutex_);
    return events_;
}

int UsbfsBridge::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self)
{
    return static_cast<UsbfsBridge*>(self)->handle(client) ? TRUE : FALSE;
}

bool UsbfsBridge::handle(UMockdevIoctlClient* client)
{
    const std::lock_guard lock(mutex_);
    switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_GET_CAPABILITIES: {
        UMockdevIoctlData* caps = pointee(client, sizeof(std::uint32_t));
        const std::uint32_t value =
            USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_BULK_CONTINUATION;
        std::memcpy(caps->data, &value, sizeof value);
        umockdev_ioctl_client_complete(client, 0, 0);
        g_object_unref(caps);
        return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
        interfaceRequest(client, "claim");
        return true;
    case USBDEVFS_RELEASEINTERFACE:
        interfaceRequest(client, "release");
        return true;
    case USBDEVFS_GETDRIVER:
        getDriver(client);
        return true;
    case USBDEVFS_IOCTL:
        driverControl(client);
        return true;
    case USBDEVFS_SUBMITURB:
        submit(client);
        return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
        reap(client);
        return true;
    case USBDEVFS_DISCARDURB:
        discard(client);
        return true;
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
    default:
        return false;
    }
}

void UsbfsBridge::interfaceRequest(UMockdevIoctlClient* client, const char* what)
{
    UMockdevIoctlData* number = pointee(client, sizeof(unsigned int));
    unsigned int interface = 0;
    std::memcpy(&interface, number->data, sizeof interface);
    events_.push_back(std::string(what) + " " + std::to_string(interface));
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(number);
}

void UsbfsBridge::getDriver(UMockdevIoctlClient* client)
{
    UMockdevIoctlData* data = pointee(client, sizeof(usbdevfs_getdriver));
    auto& request = *reinterpret_cast<usbdevfs_getdriver*>(data->data);
    const auto bound = std::find_if(
        device_.interfaces.begin(), device_.interfaces.end(), [&](const MockInterface& i) {
            return i.number == request.interface && !i.kernelDriver.empty() &&
                   !driverDetached_[i.number];
        });
    if (bound == device_.interfaces.end()) {
        umockdev_ioctl_client_complete(client, -1, ENODATA);
    } else {
        std::snprintf(request.driver, sizeof request.driver, "%s", bound->kernelDriver.c_str());
        umockdev_ioctl_client_complete(client, 0, 0);
    }
    g_object_unref(data);
}

void UsbfsBridge::driverControl(UMockdevIoctlClient* client)
{
    UMockdevIoctlData* data = pointee(client, sizeof(usbdevfs_ioctl));
    const auto& request = *reinterpret_cast<usbdevfs_ioctl*>(data->data);
    const auto interface = static_cast<std::size_t>(request.ifno) & 0xFF;
    if (request.ioctl_code == static_cast<int>(USBDEVFS_DISCONNECT)) {
        driverDetached_[interface] = true;
        events_.push_back("detach " + std::to_string(interface));
    } else if (request.ioctl_code == static_cast<int>(USBDEVFS_CONNECT)) {
        driverDetached_[interface] = false;
        events_.push_back("attach " + std::to_string(interface));
    }
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(data);
}

void UsbfsBridge::submit(UMockdevIoctlClient* client)
{
    Urb urb;
    urb.urb = pointee(client, sizeof(usbdevfs_urb));
    const usbdevfs_urb& request = urbOf(urb.urb);
    urb.buffer =
        umockdev_ioctl_data_resolve(urb.urb, offsetof(usbdevfs_urb, buffer),
                                    static_cast<std::size_t>(request.buffer_length), nullptr);
    if (request.type == USBDEVFS_URB_TYPE_CONTROL)
        submitControl(urb, client);
    else
        submitBulk(urb, client);
}

void UsbfsBridge::submitControl(Urb urb, UMockdevIoctlClient* client)
{
    if (urb.buffer == nullptr || urb.buffer->data_len < static_cast<int>(kSetupSize)) {
        release(urb);
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    const Setup setup = setupOf(urb.buffer->data);
    const std::uint8_t* payload = urb.buffer->data + kSetupSize;
    const std::size_t room = static_cast<std::size_t>(urb.buffer->data_len) - kSetupSize;
    Bytes reply;
    PipeStatus status = PipeStatus::Failed;
    if ((setup.requestType & LIBUSB_REQUEST_TYPE_VENDOR) != 0) {
        if (phone_ != nullptr && setup.index == commandInterface_) {
            status = (setup.requestType & LIBUSB_ENDPOINT_IN) != 0
                         ? phone_->receiveIn(setup.request, setup.value, setup.length, reply,
                                             kPhoneTimeout)
                         : phone_->sendOut(
                               setup.request, setup.value,
                               Bytes(payload, payload + std::min<std::size_t>(room, setup.length)),
                               kPhoneTimeout);
        }
    } else if (setup.request == LIBUSB_REQUEST_GET_DESCRIPTOR &&
               (setup.value >> 8) == LIBUSB_DT_STRING) {
        if (device_.namesReadable)
            reply = stringDescriptor(device_, static_cast<std::uint8_t>(setup.value & 0xFF));
        status = reply.empty() ? PipeStatus::Failed : PipeStatus::Ok;
    }
    switch (status) {
    case PipeStatus::Ok:
        if ((setup.requestType & LIBUSB_ENDPOINT_IN) == 0)
            urb.actualLength = setup.length;
        reply.resize(
            std::min<std::size_t>(reply.size(), std::min<std::size_t>(room, setup.length)));
        umockdev_ioctl_client_complete(client, 0, 0);
        finish(urb, 0, reply);
        return;
    case PipeStatus::Timeout: // never answered: libusb's timeout discards it
        waiting_.push_back(urb);
        umockdev_ioctl_client_complete(client, 0, 0);
        return;
    case PipeStatus::Gone:
        release(urb);
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    case PipeStatus::Failed:
        umockdev_ioctl_client_complete(client, 0, 0);
        finish(urb, -EPIPE, {}); // a stall
        return;
    }
}

void UsbfsBridge::submitBulk(Urb urb, UMockdevIoctlClient* client)
{
    umockdev_ioctl_client_complete(client, 0, 0);
    const usbdevfs_urb& request = urbOf(urb.urb);
    if ((request.endpoint & LIBUSB_ENDPOINT_IN) != 0) {
        waiting_.push_back(urb);
        serveModemReads();
        return;
    }
    if (modemWritesToFail_ > 0) {
        --modemWritesToFail_;
        finish(urb, -EPIPE, {});
        return;
    }
    const std::string written(reinterpret_cast<const char*>(urb.buffer->data),
                              static_cast<std::size_t>(urb.buffer->data_len));
    modemReceived_ += written;
    if (modem_)
        modemPending_ += modem_(written);
    urb.actualLength = urb.buffer->data_len;
    finish(urb, 0, {});
    serveModemReads();
}

// Bulk reads wait for the modem to have something to say.
void UsbfsBridge::serveModemReads()
{
    for (auto urb = waiting_.begin(); urb != waiting_.end() && !modemPending_.empty();) {
        if (urbOf(urb->urb).type != USBDEVFS_URB_TYPE_BULK) {
            ++urb;
            continue;
        }
        const std::size_t n = std::min<std::size_t>(
            modemPending_.size(), static_cast<std::size_t>(urb->buffer->data_len));
        const Bytes data(modemPending_.begin(), modemPending_.begin() + static_cast<long>(n));
        modemPending_.erase(0, n);
        finish(*urb, 0, data);
        urb = waiting_.erase(urb);
    }
}

void UsbfsBridge::finish(Urb urb, int status, const Bytes& data)
{
    const bool control = urbOf(urb.urb).type == USBDEVFS_URB_TYPE_CONTROL;
    if (!data.empty()) {
        std::memcpy(urb.buffer->data + (control ? kSetupSize : 0), data.data(), data.size());
        urb.actualLength = static_cast<int>(data.size());
    }
    urb.status = status;
    done_.push_back(urb);
}

void UsbfsBridge::reap(UMockdevIoctlClient* client)
{
    if (done_.empty()) {
        umockdev_ioctl_client_complete(client, -1, EAGAIN);
        return;
    }
    Urb urb = done_.front();
    done_.pop_front();
    usbdevfs_urb& reaped = urbOf(urb.urb);
    reaped.status = urb.status;
    reaped.actual_length = urb.actualLength;
    // The buffer's client copy is written here, so a bulk read served late arrives too.
    if (urb.buffer != nullptr && urb.actualLength > 0)
        std::memcpy(reaped.buffer, urb.buffer->data,
                    static_cast<std::size_t>(urb.buffer->data_len));
    UMockdevIoctlData* slot = pointee(client, sizeof(void*));
    umockdev_ioctl_data_set_ptr(slot, 0, urb.urb);
    umockdev_ioctl_client_complete(client, 0, 0);
    g_object_unref(slot);
    release(urb);
}

void UsbfsBridge::discard(UMockdevIoctlClient* client)
{
    const gulong address = *reinterpret_cast<gulong*>(umockdev_ioctl_client_get_arg(client)->data);
    const auto found = std::find_if(waiting_.begin(), waiting_.end(), [address](const Urb& u) {
        return u.urb->client_addr == address;
    });
    if (found == waiting_.end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    Urb urb = *found;
    waiting_.erase(found);
    urb.actualLength = 0;
    finish(urb, -ENOENT, {});
    umockdev_ioctl_client_complete(client, 0, 0);
}

void UsbfsBridge::release(Urb& urb)
{
    if (urb.buffer != nullptr)
        g_object_unref(urb.buffer);
    if (urb.urb != nullptr)
        g_object_unref(urb.urb);
    urb = {};
}

} // namespace p2kusb::usb::test
