// The device end of a simulated USB device under umockdev: answers the usbdevfs ioctls that
// libusb sends to it. Standard requests come from the device's descriptors, vendor requests on
// the command interface go to any ControlPipe (a scripted one here, the simulated phone too), and
// bulk traffic on the modem's endpoints goes to a scripted modem.
#pragma once

#include "MockUsbDevice.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace p2kusb::usb::test {

class UsbfsBridge {
public:
    // What the modem answers to the bytes just written to it.
    using Modem = std::function<std::string(std::string_view written)>;

    // `phone` answers the command interface (may be null for a device without one). Both must
    // outlive the bridge.
    UsbfsBridge(MockDevice device, ControlPipe* phone, Modem modem = {});
    ~UsbfsBridge();
    UsbfsBridge(const UsbfsBridge&) = delete;
    UsbfsBridge& operator=(const UsbfsBridge&) = delete;

    UMockdevIoctlBase* handler() const { return handler_; }
    const MockDevice& device() const { return device_; }

    // Everything written to the modem so far.
    [[nodiscard]] std::string modemReceived() const;
    // "claim 8", "detach 1", "release 1", "attach 1", ... in the order libusb asked.
    [[nodiscard]] std::vector<std::string> interfaceEvents() const;

private:
    struct Urb {
        UMockdevIoctlData* urb = nullptr; // the client's struct usbdevfs_urb
        UMockdevIoctlData* buffer = nullptr;
        int status = 0;
        int actualLength = 0;
    };

    static int onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    bool handle(UMockdevIoctlClient* client);
    void submit(UMockdevIoctlClient* client);
    void submitControl(Urb urb, UMockdevIoctlClient* client);
    void submitBulk(Urb urb, UMockdevIoctlClient* client);
    void reap(UMockdevIoctlClient* client);
    void discard(UMockdevIoctlClient* client);
    void getDriver(UMockdevIoctlClient* client);
    void driverControl(UMockdevIoctlClient* client);
    void interfaceRequest(UMockdevIoctlClient* client, const char* what);
    void serveModemReads();
    void finish(Urb urb, int status, const Bytes& data);
    static void release(Urb& urb);

    MockDevice device_;
    ControlPipe* phone_;
    Modem modem_;
    int commandInterface_ = -1;
    int modemWritesToFail_ = 0;
    UMockdevIoctlBase* handler_;

    mutable std::mutex mutex_;
    std::deque<Urb> done_;    // answered, for the next reap
    std::deque<Urb> waiting_; // no answer yet: a silent phone or modem; libusb times out
    std::string modemReceived_;
    std::string modemPending_; // answered by the modem, not read yet
    std::vector<std::string> events_;
    std::vector<bool> driverDetached_;
};

} // namespace p2kusb::usb::test
