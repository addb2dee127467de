// The eleven exported functions, the optional File_Fetch and P2K_PhoneKind. Everything else in
// the library is hidden.
#pragma GCC visibility push(default)
#include "phonelink/p2kapi.h"
extern "C" int32_t File_Fetch(const char* path, int32_t fd);
extern "C" const char* P2K_PhoneKind(void);
#pragma GCC visibility pop

#include "Emulator.h"
#include "EmulatorResults.h"

#include <exception>

namespace {

p2kemu::Emulator& phone()
{
    static p2kemu::Emulator emulator;
    return emulator;
}

// No exception may cross the C boundary: an allocation that fails (a huge File_Write) becomes
// an error result.
template <typename Call> int32_t guarded(const char* name, Call call)
{
    try {
        return call();
    } catch (const std::exception& error) {
        try {
            return phone().failed(name, error.what());
        } catch (...) {
            return p2kemu::kHostError;
        }
    } catch (...) {
        return p2kemu::kHostError;
    }
}

} // namespace

extern "C" {

int32_t P2K_Init(P2K_NotifyProc notify)
{
    return guarded("P2K_Init", [&] { return phone().init(notify); });
}
int32_t P2K_GetStatus(void)
{
    return guarded("P2K_GetStatus", [&] { return phone().getStatus(); });
}
int32_t P2K_Restart(void)
{
    return guarded("P2K_Restart", [&] { return phone().restart(); });
}
int32_t File_Count(void)
{
    return guarded("File_Count", [&] { return phone().fileCount(); });
}
int32_t File_List(void* records, int32_t count)
{
    return guarded("File_List", [&] { return phone().fileList(records, count); });
}
int32_t File_VolInfo(int32_t* info)
{
    return guarded("File_VolInfo", [&] { return phone().volInfo(info); });
}
int32_t File_Delete(const char* path)
{
    return guarded("File_Delete", [&] { return phone().fileDelete(path); });
}
int32_t File_Create(const char* path, int32_t mode)
{
    return guarded("File_Create", [&] { return phone().fileCreate(path, mode); });
}
int32_t File_Write(const void* data, int32_t size, int32_t last)
{
    return guarded("File_Write", [&] { return phone().fileWrite(data, size, last); });
}
int32_t File_Close(void)
{
    return guarded("File_Close", [&] { return phone().fileClose(); });
}
int32_t Seem_Write(int32_t seem, int32_t record, int32_t a, int32_t b, void* file)
{
    return guarded("Seem_Write", [&] { return phone().seemWrite(seem, record, a, b, file); });
}
int32_t File_Fetch(const char* path, int32_t fd)
{
    return guarded("File_Fetch", [&] { return phone().fileFetch(path, fd); });
}
// Zandrel keeps the emulator's working folder and deleted files apart from a real phone's.
const char* P2K_PhoneKind(void) { return "emulator"; }

} // extern "C"
