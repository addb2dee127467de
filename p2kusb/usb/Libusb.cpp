#include "Libusb.h"

#include <algorithm>
#include <libusb.h>

namespace p2kusb::usb {

namespace {
constexpr std::chrono::milliseconds kLongestTransfer{30'000};
}

std::shared_ptr<Context> Context::create()
{
    libusb_context* context = nullptr;
    if (libusb_init(&context) != LIBUSB_SUCCESS)
        return nullptr;
    return std::shared_ptr<Context>(new Context(context));
}

Context::~Context() { libusb_exit(context_); }

DeviceList::DeviceList(const Context& context)
{
    const ssize_t count = libusb_get_device_list(context.get(), &list_);
    if (count < 0) {
        list_ = nullptr;
        return;
    }
    count_ = static_cast<std::size_t>(count);
}

DeviceList::~DeviceList()
{
    if (list_ != nullptr)
        libusb_free_device_list(list_, 1);
}

bool DeviceList::contains(const libusb_device* device) const
{
    const auto all = devices();
    return std::find(all.begin(), all.end(), device) != all.end();
}

std::shared_ptr<OpenDevice> OpenDevice::open(std::shared_ptr<Context> context,
                                             libusb_device* device)
{
    libusb_device_handle* handle = nullptr;
    if (libusb_open(device, &handle) != LIBUSB_SUCCESS)
        return nullptr;
    return std::shared_ptr<OpenDevice>(new OpenDevice(std::move(context), handle));
}

OpenDevice::~OpenDevice()
{
    // On a phone that has left the bus both fail at once with LIBUSB_ERROR_NO_DEVICE.
    if (claimed_)
        (void)libusb_release_interface(handle_, interface_);
    if (driverDetached_)
        (void)libusb_attach_kernel_driver(handle_, interface_);
    libusb_close(handle_);
}

bool OpenDevice::claim(std::uint8_t interface)
{
    if (claimed_)
        return interface == interface_;
    interface_ = interface;
    // LIBUSB_ERROR_NOT_SUPPORTED means the platform has no kernel drivers to detach.
    if (libusb_kernel_driver_active(handle_, interface) == 1) {
        if (libusb_detach_kernel_driver(handle_, interface) != LIBUSB_SUCCESS)
            return false;
        driverDetached_ = true;
    }
    claimed_ = libusb_claim_interface(handle_, interface) == LIBUSB_SUCCESS;
    return claimed_;
}

libusb_device* OpenDevice::device() const { return libusb_get_device(handle_); }

unsigned int boundedTimeout(std::chrono::milliseconds timeout)
{
    const auto bounded = std::clamp(timeout, std::chrono::milliseconds{1}, kLongestTransfer);
    return static_cast<unsigned int>(bounded.count());
}

} // namespace p2kusb::usb
