#pragma once
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

namespace zandrel {

// Local seem file, relative to the working directory at the moment of the call.
inline constexpr const char* kRingFixSeemFile = "seem/004c_0001.seem";

// How far a Ring Fix went.
struct RingFixSteps {
    static constexpr int kToneDatabases = 2;
    bool seemWritten = false;
    int databasesDeleted = 0; // File_Delete made, whatever its result
    bool stopped = false;     // the user stopped it after the seem write or the first delete
};

// Writes seem 004C record 1 from the local seem file, then deletes the two tone databases.
// Returns false when the local file could not be opened (nothing reached the phone) or when
// Seem_Write failed (the databases are left alone); the error box has been shown then. Also
// false, without a box, when the user stopped it between its steps; `steps` tells how far it went.
bool RingFix(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts,
             RingFixSteps* steps = nullptr);

} // namespace zandrel
