#pragma once
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <string>
#include <string_view>

namespace zandrel {

// Puts a local file (named with "\" as folder separator, relative to the working directory)
// onto the phone in place of phonePath. Silent when no phone is connected.
void UploadFile(PhoneLink& phone, Prompts& prompts, std::string_view localPath,
                const std::string& phonePath);

void UploadMmaC650(PhoneLink& phone, Prompts& prompts);
void UploadMmaE398(PhoneLink& phone, Prompts& prompts);
void UploadWebSession(PhoneLink& phone, Prompts& prompts);

} // namespace zandrel
