#include "tools/UploadFile.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <cstdint>
#include <limits>
#include <sys/stat.h>

namespace zandrel {

namespace {
constexpr const char* kMmaPhonePath = "/a/mobile/system/mma_ucp";
constexpr std::uintmax_t kLargestUpload = std::numeric_limits<int32_t>::max();

bool tooLargeToSend(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           static_cast<std::uintmax_t>(st.st_size) > kLargestUpload;
}
} // namespace

void UploadFile(PhoneLink& phone, Prompts& prompts, std::string_view localPath,
                const std::string& phonePath)
{
    if (!phone.isConnected())
        return;
    // The whole file is read before the phone is touched: a file we cannot send leaves the
    // phone's own file in place.
    const std::string path = localPathFromToolPath(localPath);
    if (tooLargeToSend(path)) {
        prompts.error("File too large to send: " + path);
        return;
    }
    std::string data;
    if (const int err = readWholeFile(path, data)) {
        prompts.error(ioErrorText(err, path));
        return;
    }
    if (data.size() > kLargestUpload) { // grew since we looked
        prompts.error("File too large to send: " + path);
        return;
    }
    const auto size = static_cast<int32_t>(data.size());
    phone.fileDelete(phonePath);
    phone.fileCreate(phonePath, 4);
    // The library is handed size + 1 bytes; std::string keeps a zero byte after its last one.
    phone.fileWrite(data.c_str(), size, size - 1);
    phone.fileClose();
}

void UploadMmaC650(PhoneLink& phone, Prompts& prompts)
{
    UploadFile(phone, prompts, "orfiles\\mma_ucp(c650)", kMmaPhonePath);
}

void UploadMmaE398(PhoneLink& phone, Prompts& prompts)
{
    UploadFile(phone, prompts, "orfiles\\mma_ucp(E398)", kMmaPhonePath);
}

void UploadWebSession(PhoneLink& phone, Prompts& prompts)
{
    UploadFile(phone, prompts, "orfiles\\WebSession", "/a/WebSession");
}

} // namespace zandrel
