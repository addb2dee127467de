#include "UsbPort.h"

#include "CommandInterface.h"
#include "DeviceMatch.h"
#include "Libusb.h"
#include "LibusbPipe.h"
#include "ModeSwitch.h"
#include "SeenDevices.h"

#include <atomic>
#include <libusb.h>
#include <mutex>
#include <thread>

namespace p2kusb {

namespace {

using namespace std::chrono_literals;
using usb::SeenDevices;

// Hotplug events make the thread look at once; the periodic look is the fallback where they do
// not arrive, and catches a claim that failed while the phone was still settling.
constexpr auto kEventWait = 100ms;
constexpr auto kRescanPeriod = 1s;
constexpr auto kClaimRetry = 3s;

class UsbPort final : public PhonePort {
public:
    explicit UsbPort(LibraryConfig config) : config_(std::move(config)) {}
    ~UsbPort() override;

    void start() override;
    bool connected() const override { return connected_; }
    std::shared_ptr<ControlPipe> pipe() override { return currentPipe(); }

private:
    static int LIBUSB_CALL onHotplug(libusb_context*, libusb_device*, libusb_hotplug_event,
                                     void* context);
    void run();
    void scan();
    void look(libusb_device* device, SeenDevices::Clock::time_point now);
    [[nodiscard]] bool adopt(libusb_device* device);
    void drop();
    [[nodiscard]] std::shared_ptr<usb::LibusbPipe> currentPipe();

    const LibraryConfig config_;
    std::shared_ptr<usb::Context> context_; // outlives the device sets below
    std::mutex startMutex_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> connected_{false};
    bool hotplugRegistered_ = false;
    libusb_hotplug_callback_handle hotplug_{};

    std::mutex pipeMutex_;
    std::shared_ptr<usb::LibusbPipe> pipe_; // under pipeMutex_

    // Only the thread touches these.
    libusb_device* phone_ = nullptr; // the claimed phone, kept alive by pipe_'s open device
    SeenDevices switched_;           // AT-mode appearances already sent the switch
    SeenDevices claimTried_;         // P2K-mode appearances whose claim failed
};

UsbPort::~UsbPort()
{
    stop_ = true;
    if (thread_.joinable()) {
        libusb_interrupt_event_handler(context_->get());
        thread_.join();
    }
    if (hotplugRegistered_)
        libusb_hotplug_deregister_callback(context_->get(), hotplug_);
    drop();
    switched_.clear();
    claimTried_.clear();
}

void UsbPort::start()
{
    const std::lock_guard lock(startMutex_);
    if (thread_.joinable() || stop_)
        return;
    if (!context_)
        context_ = usb::Context::create();
    if (!context_)
        return; // no USB here: the phone simply never connects
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0) {
        hotplugRegistered_ =
            libusb_hotplug_register_callback(
                context_->get(),
                LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT,
                LIBUSB_HOTPLUG_NO_FLAGS, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                LIBUSB_HOTPLUG_MATCH_ANY, &UsbPort::onHotplug, context_.get(),
                &hotplug_) == LIBUSB_SUCCESS;
    }
    thread_ = std::thread(&UsbPort::run, this);
}

std::shared_ptr<usb::LibusbPipe> UsbPort::currentPipe()
{
    const std::lock_guard lock(pipeMutex_);
    return pipe_;
}

// libusb forbids transfers inside its callbacks, so the callback only wakes the scan. Extra
// pairs from the config file may have any vendor, hence no vendor filter.
int LIBUSB_CALL UsbPort::onHotplug(libusb_context*, libusb_device*, libusb_hotplug_event,
                                   void* context)
{
    static_cast<usb::Context*>(context)->busChanged() = true;
    return 0;
}

void UsbPort::run()
{
    auto nextScan = SeenDevices::Clock::now();
    while (!stop_) {
        timeval wait{0, std::chrono::duration_cast<std::chrono::microseconds>(kEventWait).count()};
        (void)libusb_handle_events_timeout_completed(context_->get(), &wait, nullptr);
        const auto now = SeenDevices::Clock::now();
        if (stop_ || (!context_->busChanged().exchange(false) && now < nextScan))
            continue;
        scan();
        nextScan = now + kRescanPeriod;
    }
}

void UsbPort::scan()
{
    const usb::DeviceList present(*context_);
    switched_.forgetAbsent(present);
    claimTried_.forgetAbsent(present);
    if (phone_ != nullptr) {
        const auto current = currentPipe();
        if (present.contains(phone_) && current && !current->gone())
            return;
        drop();
    }
    const auto now = SeenDevices::Clock::now();
    for (libusb_device* device : present.devices()) {
        if (stop_ || phone_ != nullptr)
            return;
        look(device, now);
    }
}

void UsbPort::look(libusb_device* device, SeenDevices::Clock::time_point now)
{
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS)
        return;
    switch (usb::classify({descriptor.idVendor, descriptor.idProduct}, config_)) {
    case usb::PhoneMode::P2k:
        if (!claimTried_.recent(device, kClaimRetry, now) && !adopt(device))
            claimTried_.remember(device, now);
        break;
    case usb::PhoneMode::At:
        // Once per appearance: a phone that stays in AT mode after the switch is left alone
        // until it is plugged in again or restarts.
        if (!switched_.contains(device)) {
            switched_.remember(device, now);
            (void)usb::switchToP2k(context_, device, stop_);
        }
        break;
    case usb::PhoneMode::None:
        break;
    }
}

bool UsbPort::adopt(libusb_device* device)
{
    auto claimed = usb::claimCommandInterface(context_, device);
    if (!claimed)
        return false;
    auto pipe = std::make_shared<usb::LibusbPipe>(std::move(claimed));
    {
        const std::lock_guard lock(pipeMutex_);
        pipe_ = std::move(pipe);
    }
    phone_ = device;
    connected_ = true;
    return true;
}

void UsbPort::drop()
{
    connected_ = false;
    phone_ = nullptr;
    const std::lock_guard lock(pipeMutex_);
    if (pipe_)
        pipe_->markGone();
    pipe_.reset();
}

} // namespace

std::unique_ptr<PhonePort> makeUsbPort(const LibraryConfig& config)
{
    return std::make_unique<UsbPort>(config);
}

} // namespace p2kusb
