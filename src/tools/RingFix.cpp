#include "tools/RingFix.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

namespace zandrel {

namespace {
constexpr int32_t kRingSeem = 0x4C;
constexpr int32_t kRingSeemRecord = 1;
constexpr const char* kToneDatabases[RingFixSteps::kToneDatabases] = {
    "/a/mobile/audio/TempToneDB.db", "/a/mobile/audio/MyToneDB.db"};

// False when the seem file cannot be opened or the library refuses it; the error box has been
// shown then. The file is closed again straight after the write.
bool writeRingSeem(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts)
{
    // Opened for reading only, so a read-only seem file works too.
    FileDescriptor seem;
    off_t size = 0;
    if (const int err = openForReading(kRingFixSeemFile, seem, size)) {
        prompts.error(ioErrorText(err, kRingFixSeemFile));
        return false;
    }
    // The library takes the program's file variable, whose first four bytes are the fd.
    int seemFile = seem.get();
    const int32_t result = phone.seemWrite(kRingSeem, kRingSeemRecord, 0, 0, &seemFile);
    if (result < 0) {
        prompts.error(
            MessageTexts::format(texts.get(MessageText::RingFixFailed), {std::to_string(result)}));
        return false;
    }
    return true;
}
} // namespace

bool RingFix(PhoneLink& phone, Prompts& prompts, const MessageTexts& texts, RingFixSteps* steps)
{
    RingFixSteps own;
    RingFixSteps& done = steps ? *steps : own;
    done = {};
    // The tone databases go only once the new ring record is in place.
    if (!writeRingSeem(phone, prompts, texts))
        return false;
    done.seemWritten = true;
    for (const char* database : kToneDatabases) {
        if (prompts.stopRequested()) {
            done.stopped = true;
            return false;
        }
        phone.fileDelete(database);
        ++done.databasesDeleted;
    }
    return true;
}

} // namespace zandrel
