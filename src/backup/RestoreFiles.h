#pragma once
#include "backup/BackupTexts.h"
#include "backup/TrashStore.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <string>
#include <vector>

namespace zandrel {

// A local copy to put back on the phone.
struct RestoreItem {
    std::string phonePath;
    std::string localFile;
    std::string sha256; // empty: the copy has no checksum to match
};

// Puts each copy back at its phone path (File_Create, File_Write, File_Close, then read back and
// compared where the library can fetch) and says at the end how many went back, or which did
// not and why. With no phone connected it refuses at once. Returns which items went back.
std::vector<bool> RestoreFiles(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                               const std::vector<RestoreItem>& items);

// The same for copies in the trash; each leaves the trash once the phone holds it again.
void RestoreFromTrash(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                      const TrashStore& store, const std::vector<TrashEntry>& entries);

} // namespace zandrel
