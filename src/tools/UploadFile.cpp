#include "tools/UploadFile.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

namespace zandrel {

namespace {
constexpr const char* kMmaPhonePath = "/a/mobile/system/mma_ucp";
// The size goes to the library as a 32-bit number.
constexpr std::size_t kLargestUpload = std::numeric_limits<int32_t>::max();
} // namespace

UploadOutcome UploadFile(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                std::string_view localPath, const std::string& phonePath, DeletionKeeper* keeper)
{
    if (!phone.isConnected())
        return UploadOutcome::NoPhone;
    // The whole file is read before the phone is touched: a file we cannot send leaves the
    // phone's own file in place.
    const std::string path = localPathFromToolPath(localPath);
    std::string data;
    if (const int err = readWholeFile(path, data, kLargestUpload)) {
        if (err == kTooLarge)
            prompts.localFileError(texts.get(MessageText::UploadTooLarge) + ' ', path);
        else
            prompts.error(ioErrorText(err, path));
        return UploadOutcome::Failed;
    }
    const auto size = static_cast<int32_t>(data.size());
    if (keeper)
        keeper->keep(phonePath);
    // Keeping the old file fetched it, which may have taken a while. Stopped now, the old file
    // stays on the phone, and its copy is no deleted file.
    if (prompts.stopRequested()) {
        if (keeper) {
            keeper->notDeleted(phonePath);
            keeper->endRun();
        }
        return UploadOutcome::Stopped;
    }
    phone.fileDelete(phonePath);
    // Every call is made as always; the first that failed is told, with its result.
    std::optional<std::pair<const char*, int32_t>> failed;
    const auto note = [&failed](const char* call, int32_t result) {
        if (result < 0 && !failed)
            failed.emplace(call, result);
    };
    note("File_Create", phone.fileCreate(phonePath, 4));
    // The library is handed size + 1 bytes; std::string keeps a zero byte after its last one.
    note("File_Write", phone.fileWrite(data.c_str(), size, size - 1));
    note("File_Close", phone.fileClose());
    if (failed) {
        prompts.error(
            MessageTexts::format(texts.get(MessageText::UploadFailed),
                                 {phonePath, failed->first, std::to_string(failed->second)}));
        if (keeper)
            keeper->uploadFailed(phonePath, prompts);
    }
    if (keeper)
        if (const std::string news = keeper->endRun(); !news.empty())
            prompts.warning(news);
    return failed ? UploadOutcome::Failed : UploadOutcome::Sent;
}

UploadOutcome UploadMmaC650(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                   DeletionKeeper* keeper)
{
    return UploadFile(phone, prompts, texts, "orfiles\\mma_ucp(c650)", kMmaPhonePath, keeper);
}

UploadOutcome UploadMmaE398(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                   DeletionKeeper* keeper)
{
    return UploadFile(phone, prompts, texts, "orfiles\\mma_ucp(E398)", kMmaPhonePath, keeper);
}

UploadOutcome UploadWebSession(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                      DeletionKeeper* keeper)
{
    return UploadFile(phone, prompts, texts, "orfiles\\WebSession", "/a/WebSession", keeper);
}

} // namespace zandrel
