#include "backup/RestoreFiles.h"

#include "backup/PhoneCopies.h"
#include "backup/Sha256.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"
#include "base/MessageTexts.h"

#include <cstdint>

namespace zandrel {

namespace {
// A few are enough to see which; the count says how many.
constexpr std::size_t kNamed = 10;

// Why the item did not go back, or empty when it did.
std::string putBack(PhoneLink& phone, const BackupTexts& texts, const RestoreItem& item)
{
    std::string bytes;
    if (const int error = readWholeFile(item.localFile, bytes, INT32_MAX))
        return ioErrorText(error, item.localFile);
    if (!item.sha256.empty() && sha256Hex(bytes) != item.sha256)
        return texts.get(BackupText::ChecksumDiffers);
    const int32_t result = sendAndVerify(phone, item.phonePath, bytes);
    if (result == kDiffers)
        return texts.get(BackupText::PhoneCopyDiffers);
    if (result < 0)
        return MessageTexts::format(texts.get(BackupText::PhoneRefused), {std::to_string(result)});
    return {};
}
} // namespace

std::vector<bool> RestoreFiles(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                               const std::vector<RestoreItem>& items)
{
    std::vector<bool> back(items.size(), false);
    if (!phone.isConnected()) {
        prompts.warning(texts.get(BackupText::NoPhone));
        return back;
    }
    std::size_t failed = 0;
    std::string failures;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string why = putBack(phone, texts, items[i]);
        back[i] = why.empty();
        if (!why.empty() && ++failed <= kNamed)
            failures += "\n" + items[i].phonePath + ": " + why;
        prompts.progress(i + 1, items.size());
    }
    if (failed == 0) {
        prompts.information(
            MessageTexts::format(texts.get(BackupText::Restored), {std::to_string(items.size())}));
        return back;
    }
    if (failed > kNamed)
        failures += "\n...";
    prompts.warning(MessageTexts::format(texts.get(BackupText::NotRestoredHead),
                                         {std::to_string(failed), std::to_string(items.size())}) +
                    failures);
    return back;
}

void RestoreFromTrash(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                      const TrashStore& store, const std::vector<TrashEntry>& entries)
{
    std::vector<RestoreItem> items;
    items.reserve(entries.size());
    for (const TrashEntry& entry : entries)
        items.push_back({entry.phonePath, store.fileOf(entry), {}});
    const std::vector<bool> back = RestoreFiles(phone, prompts, texts, items);
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (back[i] && store.remove(entries[i]) != 0)
            prompts.localFileError(texts.get(BackupText::RemoveFailed) + ' ', store.fileOf(entries[i]));
}

} // namespace zandrel
