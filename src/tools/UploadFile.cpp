#include "tools/UploadFile.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <cstdint>
#include <limits>

namespace zandrel {

namespace {
constexpr const char* kMmaPhonePath = "/a/mobile/system/mma_ucp";
// The size goes to the library as a 32-bit number.
constexpr std::size_t kLargestUpload = std::numeric_limits<int32_t>::max();
} // namespace

void UploadFile(PhoneLink& phone, Prompts& prompts, std::string_view localPath,
                const std::string& phonePath, DeletionKeeper* keeper)
{
    if (!phone.isConnected())
        return;
    // The whole file is read before the phone is touched: a file we cannot send leaves the
    // phone's own file in place.
    const std::string path = localPathFromToolPath(localPath);
    std::string data;
    if (const int err = readWholeFile(path, data, kLargestUpload)) {
        if (err == kTooLarge)
            prompts.localFileError("File too large to send: ", path);
        else
            prompts.error(ioErrorText(err, path));
        return;
    }
    const auto size = static_cast<int32_t>(data.size());
    if (keeper)
        keeper->keep(phonePath);
    phone.fileDelete(phonePath);
    const int32_t created = phone.fileCreate(phonePath, 4);
    // The library is handed size + 1 bytes; std::string keeps a zero byte after its last one.
    const int32_t written = phone.fileWrite(data.c_str(), size, size - 1);
    const int32_t closed = phone.fileClose();
    if (keeper && (created < 0 || written < 0 || closed < 0))
        keeper->uploadFailed(phonePath, prompts);
    if (keeper)
        keeper->endRun(); // an old file missing or too large to keep is no news here
}

void UploadMmaC650(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper)
{
    UploadFile(phone, prompts, "orfiles\\mma_ucp(c650)", kMmaPhonePath, keeper);
}

void UploadMmaE398(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper)
{
    UploadFile(phone, prompts, "orfiles\\mma_ucp(E398)", kMmaPhonePath, keeper);
}

void UploadWebSession(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper)
{
    UploadFile(phone, prompts, "orfiles\\WebSession", "/a/WebSession", keeper);
}

} // namespace zandrel
