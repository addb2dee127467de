#pragma once
#include "backup/DeletionKeeper.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <string>
#include <string_view>

namespace zandrel {

// Puts a local file (named with "\" as folder separator, relative to the working directory)
// onto the phone in place of phonePath. Silent when no phone is connected. With a keeper, the
// old phone file is kept before it is deleted, and put back if the upload then fails.
void UploadFile(PhoneLink& phone, Prompts& prompts, std::string_view localPath,
                const std::string& phonePath, DeletionKeeper* keeper = nullptr);

void UploadMmaC650(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper);
void UploadMmaE398(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper);
void UploadWebSession(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper);
// The same without keeping the old file.
inline void UploadMmaC650(PhoneLink& phone, Prompts& prompts)
{
    UploadMmaC650(phone, prompts, nullptr);
}
inline void UploadMmaE398(PhoneLink& phone, Prompts& prompts)
{
    UploadMmaE398(phone, prompts, nullptr);
}
inline void UploadWebSession(PhoneLink& phone, Prompts& prompts)
{
    UploadWebSession(phone, prompts, nullptr);
}

} // namespace zandrel
