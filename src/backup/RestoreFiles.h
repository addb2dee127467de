#pragma once
#include "backup/BackupFolder.h"
#include "backup/BackupTexts.h"
#include "backup/TrashStore.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zandrel {

// A copy on the computer to put back on the phone.
struct RestoreItem {
    std::string phonePath;
    // When the copy was made: several copies of one path go back oldest first, so the newest
    // ends on the phone and each one it replaced goes to Deleted files.
    std::int64_t time = 0;
    std::uint64_t size = 0;
    std::string sha256; // empty: the copy has no checksum to match
};

// Where the copies are read. Reading runs aside (see RunAside), so a source does not change
// once made and is shared with the reader.
class CopySource {
public:
    virtual ~CopySource() = default;
    // The bytes of the copy of item `index`: 0, an errno, or one of the results below (found
    // holds the size found when it differs from the item's).
    virtual int read(std::size_t index, std::string& bytes, std::uint64_t& found) const = 0;
    // The phone holds the copy now, read back and compared. Returns 0 or an errno.
    virtual int putBack(std::size_t) const { return 0; }
    // Where a copy lies, for the box that says it could not be read or removed.
    virtual std::string fileOf(std::size_t index) const = 0;

    static constexpr int kChecksumDiffers = -110;
};

// Runs a piece of local work (reading a copy, keeping a file in the trash) and returns when it
// has ended. The window passes one that keeps painting meanwhile; empty runs it in place.
using RunAside = std::function<void(const std::function<void()>&)>;

// What a restore works with.
struct RestorePlace {
    PhoneLink& phone;
    Prompts& prompts;
    const BackupTexts& texts;
    // What the phone holds at a path, when it differs from the copy, is kept here first.
    TrashStore trash;
    std::string phoneKind;
    std::function<std::int64_t()> now;
    RunAside aside;
};

// Puts each copy back at its phone path without destroying anything: what the phone holds there
// is fetched first and, when it differs, kept in the trash (a run of its own, marked as replaced
// by a restore); the copy is written (File_Create, File_Write, File_Close) and read back. A
// write that fails puts back what was there, or removes the part written, and says what the
// phone now holds. Stop is asked between files. The box at the end says what went back, what
// did not and why, and what was left. Returns which items went back.
std::vector<bool> RestoreFiles(const RestorePlace& place, const std::vector<RestoreItem>& items,
                               std::shared_ptr<const CopySource> source);

// Copies in the trash; each leaves the trash once the phone holds it.
void RestoreFromTrash(const RestorePlace& place, const std::vector<TrashEntry>& entries);

// Files of a backup, read only from inside its folder, each checked against its manifest line.
void RestoreFromBackup(const RestorePlace& place, const BackupFolder& folder,
                       const std::vector<ManifestEntry>& entries);

} // namespace zandrel
