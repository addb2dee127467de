#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

// One kept copy of a deleted phone file.
struct TrashEntry {
    std::string run;          // the folder of its deletion run
    std::uint32_t number = 0; // its file's name in that folder
    std::int64_t time = 0;    // when it was deleted, seconds since 1970
    std::uint64_t size = 0;
    std::string phonePath; // byte for byte
    // The kind of phone it came from ("emulator", "usb", ...), empty for copies kept before
    // that was recorded; a restore shows only the copies of the phone in use.
    std::string phoneKind{};
    // Made because a restore was about to write over what the phone held, not by a deletion.
    bool replacedByRestore = false;
    // The copies a clean keeps in one batch share one file, "P.pack" with P the number of its
    // first copy, each at its offset: creating a file costs far more than writing one. 0 for a
    // copy in a file of its own, named after its number.
    std::uint32_t pack = 0;
    std::uint64_t offset = 0;
};

// A run folder as housekeeping sees it.
struct TrashRun {
    std::string name;
    std::uint64_t bytes = 0;
    std::size_t copies = 0;
    std::int64_t newest = 0; // the time of its newest copy, 0 without one
};

// The trash: one folder per deletion run, named after its start (YYYYMMDD-HHMMSS, with "-N"
// when that name was taken), holding the copies as 1, 2, 3... or packed together as P.pack, and
// index.tsv, one line per copy:
//   number TAB time TAB size TAB phone path (escaped, see escapePhonePath) TAB phone kind
//   TAB "replaced" or nothing [TAB pack TAB offset, for a packed copy]
// (lines written before the kind and the mark existed end at the path).
// A copy or a pack is written as .N.part and renamed once complete; its index lines follow, and
// all are flushed before the phone file goes, so a run cut short lists no half copy.
// Only folders named so are runs; nothing else in the trash folder is ever touched, no link is
// followed out of it, and a run folder holding a file of another name is never removed.
class TrashStore {
public:
    static constexpr const char* kIndexName = "index.tsv";

    explicit TrashStore(std::string folder) : folder_(std::move(folder)) {}
    const std::string& folder() const { return folder_; }

    // Every listed copy whose file is there, oldest run first, each run in its own order.
    std::vector<TrashEntry> entries() const;
    // The file holding the copy: its own, or its pack.
    std::string fileOf(const TrashEntry& entry) const;
    // The copy's bytes. found is how many its file holds for it; when that is not entry.size,
    // nothing is read and BackupFolder::kSizeDiffers comes back. Otherwise returns 0 or an errno.
    [[nodiscard]] int readCopy(const TrashEntry& entry, std::string& bytes,
                               std::uint64_t& found) const;
    // The copy and its index line go; a run left empty goes with them. Returns 0 or an errno.
    [[nodiscard]] int remove(const TrashEntry& entry) const;
    // The same for several copies of one run, its index written once.
    [[nodiscard]] int removeCopies(const std::string& run,
                                   const std::vector<std::uint32_t>& numbers) const;

    // Makes the folder of a new run (the trash's folder too) and returns its name, or empty with
    // errno set.
    std::string newRun(std::int64_t when) const;
    std::string partName(const std::string& run, std::uint32_t number) const;
    // Adds complete copies of one run, already written as the partName of their number (or of
    // their pack), to the run's index and flushes copies and index to the disk together.
    // Returns 0 or an errno; on a failure none of them is listed.
    [[nodiscard]] int add(const std::vector<TrashEntry>& batch) const;
    [[nodiscard]] int add(const TrashEntry& entry) const { return add(std::vector{entry}); }

    // Every run, oldest first.
    std::vector<TrashRun> runs() const;
    // Removes what the run's folder holds of ours, then the folder; what is not ours stays, and
    // so does the folder then. Returns whether the folder is gone.
    bool removeRun(const std::string& run) const;
    // Runs whose newest copy is older than maxAge seconds go, and so do leftovers of runs cut
    // short (part files, runs without a copy) once they are an hour old. The clock is trusted
    // only as far as the trash agrees with it: while it is behind the newest copy nothing is
    // old, a copy dated later than now is not old, and a run is old only when it is also
    // maxAge older than the newest copy, so that a clock gone ahead empties nothing.
    void removeOld(std::int64_t now, std::int64_t maxAge) const;
    // Changes whenever a run comes or goes or an index is written; cheap next to entries().
    std::string stamp() const;

private:
    std::vector<std::string> runNames() const; // oldest first
    // diskBytes, when asked: what the run's copies take, a pack counted whole.
    std::vector<TrashEntry> entriesOf(const std::string& run,
                                      std::uint64_t* diskBytes = nullptr) const;
    std::string indexOf(const std::string& run) const;

    std::string folder_;
};

} // namespace zandrel
