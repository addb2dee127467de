#include "monitor/SerialPhoneLink.h"

namespace zandrel {

int32_t SerialPhoneLink::init()
{
    return serial([&] { return link_.init(); });
}
int32_t SerialPhoneLink::getStatus()
{
    return serial([&] { return link_.getStatus(); });
}
int32_t SerialPhoneLink::restart()
{
    return serial([&] { return link_.restart(); });
}
int32_t SerialPhoneLink::fileCount()
{
    return serial([&] { return link_.fileCount(); });
}
int32_t SerialPhoneLink::fileList(void* records, int32_t count)
{
    return serial([&] { return link_.fileList(records, count); });
}
int32_t SerialPhoneLink::volInfo(int32_t* info)
{
    return serial([&] { return link_.volInfo(info); });
}
int32_t SerialPhoneLink::fileDelete(const std::string& path)
{
    return serial([&] { return link_.fileDelete(path); });
}
int32_t SerialPhoneLink::fileCreate(const std::string& path, int32_t mode)
{
    return serial([&] { return link_.fileCreate(path, mode); });
}
int32_t SerialPhoneLink::fileWrite(const void* data, int32_t size, int32_t last)
{
    return serial([&] { return link_.fileWrite(data, size, last); });
}
int32_t SerialPhoneLink::fileClose()
{
    return serial([&] { return link_.fileClose(); });
}
int32_t SerialPhoneLink::seemWrite(int32_t seem, int32_t record, int32_t a, int32_t b, void* file)
{
    return serial([&] { return link_.seemWrite(seem, record, a, b, file); });
}
int32_t SerialPhoneLink::fileFetch(const std::string& path, int32_t fd)
{
    return serial([&] { return link_.fileFetch(path, fd); });
}

} // namespace zandrel
