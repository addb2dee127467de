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
};

// The trash: one folder per deletion run, named after its start (YYYYMMDD-HHMMSS), holding the
// copies as 1, 2, 3... and index.tsv, one line per copy:
//   number TAB time TAB size TAB phone path (escaped, see escapePhonePath) TAB phone kind
//   TAB "replaced" or nothing
// (lines written before the last two fields existed end at the path).
// A copy is written as .N.part and renamed once complete, and its index line is added after
// that, so a run cut short leaves no half copy listed.
class TrashStore {
public:
    static constexpr const char* kIndexName = "index.tsv";

    explicit TrashStore(std::string folder) : folder_(std::move(folder)) {}
    const std::string& folder() const { return folder_; }

    // Every listed copy whose file is there, oldest run first, each run in its own order.
    std::vector<TrashEntry> entries() const;
    std::string fileOf(const TrashEntry& entry) const;
    // The copy and its index line go; a run left empty goes with them. Returns 0 or an errno.
    [[nodiscard]] int remove(const TrashEntry& entry) const;

    // Makes the folder of a new run (the trash's folder too) and returns its name, or empty with
    // errno set.
    std::string newRun(std::int64_t now) const;
    // Adds a complete copy, already written as partName(run, number), to the run's index.
    [[nodiscard]] int add(const TrashEntry& entry) const;
    std::string partName(const std::string& run, std::uint32_t number) const;

    // Every run with the bytes of its copies, oldest first.
    std::vector<std::pair<std::string, std::uint64_t>> runSizes() const;
    void removeRun(const std::string& run) const;
    // Runs whose newest copy is older than maxAge seconds go, and so do leftovers of runs cut
    // short (part files, runs without a copy) once they are an hour old.
    void removeOld(std::int64_t now, std::int64_t maxAge) const;

private:
    std::vector<std::string> runs() const; // oldest first
    std::vector<TrashEntry> entriesOf(const std::string& run) const;

    std::string folder_;
};

} // namespace zandrel
