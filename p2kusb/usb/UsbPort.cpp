#include "UsbPort.h"

#include "CommandInterface.h"
#include "DeviceMatch.h"
#include "Libusb.h"
#include "LibusbPipe.h"
#include "ModeSwitch.h"
#include "SeenDevices.h"

#include "../PacketLog.h"

#include <atomic>
#include <cstdio>
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
// An AT-mode phone is sent the switch up to this many times while it stays on the bus: again
// soon after a switch that did not go out (a phone just back from a restart may not listen
// yet), and after a switch that went out once it has had time to come back in P2K mode.
constexpr int kSwitchAttempts = 3;
constexpr auto kSwitchRetry = 2s;
constexpr auto kSwitchSettle = 8s;

std::string describe(libusb_device* device, const libusb_device_descriptor& descriptor)
{
    char text[48];
    std::snprintf(text, sizeof text, "%04x:%04x at %u-%u", unsigned(descriptor.idVendor),
                  unsigned(descriptor.idProduct), unsigned(libusb_get_bus_number(device)),
                  unsigned(libusb_get_device_address(device)));
    return text;
}

const char* switchText(usb::SwitchResult result)
{
    switch (result) {
    case usb::SwitchResult::Sent:
        return "sent";
    case usb::SwitchResult::Refused:
        return "refused";
    case usb::SwitchResult::Failed:
        break;
    }
    return "failed";
}

class UsbPort final : public PhonePort {
public:
    explicit UsbPort(LibraryConfig config)
        : config_(std::move(config)), log_(config_.packetLogPath, config_.packetLogLimit)
    {
    }
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
    void claim(libusb_device* device, const std::string& label, SeenDevices::Clock::time_point now);
    void switchMode(libusb_device* device, const std::string& label,
                    SeenDevices::Clock::time_point now);
    void drop();
    [[nodiscard]] std::shared_ptr<usb::LibusbPipe> currentPipe();

    const LibraryConfig config_;
    const PacketLog log_;
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
    std::string phoneLabel_;
    SeenDevices present_;    // phones on the bus, for the log's plug and unplug lines
    SeenDevices switched_;   // AT-mode appearances already sent the switch
    SeenDevices refused_;    // ... that answered it with an error: not asked again
    SeenDevices claimTried_; // P2K-mode appearances whose claim failed
    SeenDevices notPhones_;  // devices whose interfaces name no command interface
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
    for (SeenDevices* seen : {&present_, &switched_, &refused_, &claimTried_, &notPhones_})
        seen->clear();
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
    for (SeenDevices* seen : {&switched_, &refused_, &claimTried_, &notPhones_})
        (void)seen->forgetAbsent(present);
    for (const std::string& label : present_.forgetAbsent(present))
        log_.note("unplugged " + label);
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
    const UsbId id{descriptor.idVendor, descriptor.idProduct};
    const usb::PhoneMode mode = usb::classify(id, config_);
    if (mode == usb::PhoneMode::None || notPhones_.contains(device))
        return;
    const std::string label = describe(device, descriptor);
    if (!present_.contains(device)) {
        present_.remember(device, now, label);
        log_.note("plugged in " + label + (mode == usb::PhoneMode::At ? " (AT mode)" : ""));
    }
    if (mode == usb::PhoneMode::P2k)
        claim(device, label, now);
    else
        switchMode(device, label, now);
}

void UsbPort::claim(libusb_device* device, const std::string& label,
                    SeenDevices::Clock::time_point now)
{
    if (claimTried_.recent(device, kClaimRetry, now))
        return;
    usb::Claim claimed = usb::claimCommandInterface(context_, device);
    if (claimed.outcome == usb::ClaimOutcome::NotAPhone) {
        notPhones_.remember(device, now);
        log_.note(label + " has no command interface: left alone");
        return;
    }
    if (claimed.outcome == usb::ClaimOutcome::Failed) {
        if (claimTried_.remember(device, now) == 1)
            log_.note("could not claim the command interface of " + label + "; trying again");
        return;
    }
    log_.note("claimed interface " + std::to_string(claimed.device->interface()) + " of " + label +
              (claimed.byName ? " by its name" : " (names unreadable: the usual interface)"));
    auto pipe = std::make_shared<usb::LibusbPipe>(std::move(claimed.device));
    {
        const std::lock_guard lock(pipeMutex_);
        pipe_ = std::move(pipe);
    }
    phone_ = device;
    phoneLabel_ = label;
    connected_ = true;
}

void UsbPort::switchMode(libusb_device* device, const std::string& label,
                         SeenDevices::Clock::time_point now)
{
    const int tries = switched_.count(device);
    if (refused_.contains(device) || tries >= kSwitchAttempts ||
        (tries > 0 && switched_.recent(device, kSwitchRetry, now)))
        return;
    const usb::SwitchResult result = usb::switchToP2k(context_, device, stop_);
    // A switch that went out is given the time a phone takes to come back before the next one.
    switched_.remember(
        device, result == usb::SwitchResult::Sent ? now + kSwitchSettle - kSwitchRetry : now);
    if (result == usb::SwitchResult::Refused)
        refused_.remember(device, now);
    log_.note("switch of " + label + " to P2K mode, attempt " + std::to_string(tries + 1) + ": " +
              switchText(result));
}

void UsbPort::drop()
{
    if (phone_ != nullptr)
        log_.note("lost the command interface of " + phoneLabel_);
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
