#pragma once
#include "backup/DeletionKeeper.h"
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"
#include "sweep/PathList.h"
#include "sweep/SweepList.h"

namespace zandrel {

// Everything the sweep operations work on, alive from start-up to exit.
struct SweepSession {
    PhoneLink& phone;
    Prompts& prompts;
    const MessageTexts& texts;

    SweepList sweep; // shown by CheckListBox1
    PathList java;   // paths under "/a/mobile/kj"; only ever grows
    PathList clean;  // the CleanList, shown and edited in the list viewer

    // Where the last read's Java paths start in `java`.
    std::size_t javaOfLastRead = 0;
    // Keeps a copy of each file before it is deleted; none keeps nothing.
    DeletionKeeper* keeper = nullptr;
};

} // namespace zandrel
