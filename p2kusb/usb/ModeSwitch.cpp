#include "ModeSwitch.h"

#include "ConfigDescriptor.h"
#include "DeviceMatch.h"
#include "Libusb.h"

#include <array>
#include <chrono>
#include <string>

namespace p2kusb::usb {

namespace {

using namespace std::chrono_literals;

constexpr auto kWriteTimeout = 1000ms;
constexpr auto kReadTimeout = 500ms;
constexpr auto kAnswerTime = 2000ms;

bool isErrorLine(std::string_view line)
{
    return line == "ERROR" || line.starts_with("+CME ERROR") || line.starts_with("+CMS ERROR");
}

bool write(OpenDevice& modem, std::uint8_t endpoint, std::string_view command)
{
    std::string line(command);
    line += "\r\n";
    int moved = 0;
    const int result = libusb_bulk_transfer(
        modem.handle(), endpoint, reinterpret_cast<unsigned char*>(line.data()),
        static_cast<int>(line.size()), &moved, boundedTimeout(kWriteTimeout));
    return result == LIBUSB_SUCCESS && static_cast<std::size_t>(moved) == line.size();
}

// Reads until the modem's final line, a silence, the bus losing it, or the time is up.
ModemAnswer readAnswer(OpenDevice& modem, std::uint8_t endpoint, const std::atomic<bool>& stop)
{
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTime;
    // A multiple of every bulk packet size, so a full packet never overflows the buffer.
    std::array<unsigned char, 512> buffer{};
    while (!stop && std::chrono::steady_clock::now() < deadline) {
        int moved = 0;
        const int result = libusb_bulk_transfer(modem.handle(), endpoint, buffer.data(),
                                                static_cast<int>(buffer.size()), &moved,
                                                boundedTimeout(kReadTimeout));
        received.append(reinterpret_cast<const char*>(buffer.data()),
                        static_cast<std::size_t>(moved));
        const ModemAnswer answer = modemAnswer(received);
        if (answer != ModemAnswer::Pending || result != LIBUSB_SUCCESS)
            return answer;
    }
    return ModemAnswer::Pending;
}

} // namespace

ModemAnswer modemAnswer(std::string_view received)
{
    ModemAnswer answer = ModemAnswer::Pending;
    while (!received.empty()) {
        const auto end = received.find_first_of("\r\n");
        const std::string_view line = received.substr(0, end);
        if (line == "OK")
            answer = ModemAnswer::Ok;
        else if (isErrorLine(line))
            answer = ModemAnswer::Error;
        if (end == std::string_view::npos)
            break;
        received.remove_prefix(end + 1);
    }
    return answer;
}

SwitchResult switchToP2k(std::shared_ptr<Context> context, libusb_device* device,
                         const std::atomic<bool>& stop)
{
    const ConfigDescriptor config = activeConfig(device);
    const auto data = config ? findCdcData(*config) : std::nullopt;
    if (!data)
        return SwitchResult::Failed;
    auto modem = OpenDevice::open(std::move(context), device);
    if (!modem || !modem->claim(data->interface))
        return SwitchResult::Failed;
    // Echo off first, so the answer to the switch is not mistaken for its echo. Its own answer
    // does not matter: some phones refuse E0 and still switch.
    if (!write(*modem, data->out, "AT E0"))
        return SwitchResult::Failed;
    (void)readAnswer(*modem, data->in, stop);
    if (stop || !write(*modem, data->out, "AT+MODE=8"))
        return SwitchResult::Failed;
    // A phone that drops off before its OK has switched as well.
    return readAnswer(*modem, data->in, stop) == ModemAnswer::Error ? SwitchResult::Refused
                                                                    : SwitchResult::Sent;
}

} // namespace p2kusb::usb
