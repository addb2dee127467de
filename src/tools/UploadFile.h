#pragma once
#include "backup/DeletionKeeper.h"
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <string>
#include <string_view>

namespace zandrel {

enum class UploadOutcome {
    Sent,
    NoPhone,
    Failed,  // told in the error box
    Stopped, // the user stopped it before the phone's file was touched
};

// Puts a local file (named with "\" as folder separator, relative to the working directory)
// onto the phone in place of phonePath. Silent when no phone is connected; a library call of the
// upload that fails is told in the error box, with its result. With a keeper, the old phone file
// is kept before it is deleted, and put back if the upload then fails. The user may stop it once
// the old file is kept; from its delete to its close the upload is one step that always ends.
UploadOutcome UploadFile(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                std::string_view localPath, const std::string& phonePath,
                DeletionKeeper* keeper = nullptr);

UploadOutcome UploadMmaC650(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                   DeletionKeeper* keeper = nullptr);
UploadOutcome UploadMmaE398(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                   DeletionKeeper* keeper = nullptr);
UploadOutcome UploadWebSession(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
                      DeletionKeeper* keeper = nullptr);

} // namespace zandrel
