#include "phonelink/LibraryPhoneLink.h"

#include "phonelink/p2kapi.h"

#include <dlfcn.h>

namespace zandrel {

namespace {
// The library may call this from any thread; it touches nothing.
void ignoreNotification(int32_t) {}

const char* libraryText(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

std::string reportedKind()
{
    const auto kind = reinterpret_cast<P2K_PhoneKindProc>(dlsym(RTLD_DEFAULT, P2K_PHONE_KIND_NAME));
    return PhoneLink::kindFromLibrary(kind ? kind() : nullptr);
}
} // namespace

// The library is linked at build time, so its symbols are among the process's own.
LibraryPhoneLink::LibraryPhoneLink()
    : fetch_(reinterpret_cast<P2K_FileFetchProc>(dlsym(RTLD_DEFAULT, P2K_FILE_FETCH_NAME))),
      kind_(reportedKind())
{
}

int32_t LibraryPhoneLink::init() { return P2K_Init(&ignoreNotification); }
int32_t LibraryPhoneLink::getStatus() { return P2K_GetStatus(); }
int32_t LibraryPhoneLink::restart() { return P2K_Restart(); }
int32_t LibraryPhoneLink::fileCount() { return File_Count(); }
int32_t LibraryPhoneLink::fileList(void* records, int32_t count)
{
    return File_List(records, count);
}
int32_t LibraryPhoneLink::volInfo(int32_t* info) { return File_VolInfo(info); }
int32_t LibraryPhoneLink::fileDelete(const std::string& path)
{
    return libraryTakes(path) ? File_Delete(libraryText(path)) : kPathRefused;
}
int32_t LibraryPhoneLink::fileCreate(const std::string& path, int32_t mode)
{
    return libraryTakes(path) ? File_Create(libraryText(path), mode) : kPathRefused;
}
int32_t LibraryPhoneLink::fileWrite(const void* data, int32_t size, int32_t last)
{
    return File_Write(data, size, last);
}
int32_t LibraryPhoneLink::fileClose() { return File_Close(); }
int32_t LibraryPhoneLink::fileFetch(const std::string& path, int32_t fd)
{
    if (!fetch_)
        return kNoFetch;
    return libraryTakes(path) ? fetch_(libraryText(path), fd) : kPathRefused;
}
int32_t LibraryPhoneLink::seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file)
{
    return Seem_Write(seem, record, a, b, file);
}

} // namespace zandrel
