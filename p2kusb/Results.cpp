#include "Results.h"

namespace p2kusb {

const char* resultName(std::int32_t result)
{
    switch (result) {
    case kNotInitialised:
        return "not initialised";
    case kBadArgument:
        return "bad argument";
    case kBadPath:
        return "bad path";
    case kNotConnected:
        return "not connected";
    case kOutOfOrder:
        return "out of order";
    case kTimeout:
        return "timeout";
    case kBadReply:
        return "bad reply";
    case kRefused:
        return "refused";
    case kHostError:
        return "host error";
    case kVerifyFailed:
        return "verify failed";
    case kLengthDiffers:
        return "length differs";
    case kUsbError:
        return "usb error";
    default:
        return result >= 0 ? "ok" : "error";
    }
}

} // namespace p2kusb
