#include "tools/RingFix.h"

#include "base/ErrorText.h"
#include "base/LocalFile.h"

namespace zandrel {

namespace {
constexpr int32_t kRingSeem = 0x4C;
constexpr int32_t kRingSeemRecord = 1;

// False when the seem file cannot be opened; the file is closed again straight after the write.
bool writeRingSeem(PhoneLink& phone, Prompts& prompts)
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
    phone.seemWrite(kRingSeem, kRingSeemRecord, 0, 0, &seemFile);
    return true;
}
} // namespace

bool RingFix(PhoneLink& phone, Prompts& prompts)
{
    if (!writeRingSeem(phone, prompts))
        return false;
    phone.fileDelete("/a/mobile/audio/TempToneDB.db");
    phone.fileDelete("/a/mobile/audio/MyToneDB.db");
    return true;
}

} // namespace zandrel
