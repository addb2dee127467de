// The eleven exported functions and File_Fetch over one Session and the USB transport. Everything
// else in the library is hidden.
#pragma GCC visibility push(default)
#include "phonelink/p2kapi.h"
extern "C" int32_t File_Fetch(const char* path, int32_t fd);
#pragma GCC visibility pop

#include "Config.h"
#include "Session.h"
#include "usb/UsbPort.h"

#include <exception>

namespace {

p2kusb::Session& phone()
{
    static const p2kusb::LibraryConfig config = p2kusb::loadConfig();
    static const std::unique_ptr<p2kusb::PhonePort> port = p2kusb::makeUsbPort(config);
    static p2kusb::Session session(*port, config);
    return session;
}

// No exception may cross the C boundary: one that escapes (out of memory) becomes a failure.
template <typename Call> int32_t guarded(Call call)
{
    try {
        return call();
    } catch (...) {
        return p2kusb::kHostError;
    }
}

} // namespace

extern "C" {

int32_t P2K_Init(P2K_NotifyProc notify)
{
    return guarded([&] { return phone().init(notify); });
}
int32_t P2K_GetStatus(void)
{
    return guarded([&] { return phone().getStatus(); });
}
int32_t P2K_Restart(void)
{
    return guarded([&] { return phone().restart(); });
}
int32_t File_Count(void)
{
    return guarded([&] { return phone().fileCount(); });
}
int32_t File_List(void* records, int32_t count)
{
    return guarded([&] { return phone().fileList(records, count); });
}
int32_t File_VolInfo(int32_t* info)
{
    return guarded([&] { return phone().volInfo(info); });
}
int32_t File_Delete(const char* path)
{
    return guarded([&] { return phone().fileDelete(path); });
}
int32_t File_Create(const char* path, int32_t mode)
{
    return guarded([&] { return phone().fileCreate(path, mode); });
}
int32_t File_Write(const void* data, int32_t size, int32_t last)
{
    return guarded([&] { return phone().fileWrite(data, size, last); });
}
int32_t File_Close(void)
{
    return guarded([&] { return phone().fileClose(); });
}
int32_t Seem_Write(int32_t seem, int32_t record, int32_t a, int32_t b, void* file)
{
    return guarded([&] { return phone().seemWrite(seem, record, a, b, file); });
}
int32_t File_Fetch(const char* path, int32_t fd)
{
    return guarded([&] { return phone().fileFetch(path, fd); });
}

} // extern "C"
