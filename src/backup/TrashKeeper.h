#pragma once
#include "backup/BackupTexts.h"
#include "backup/DeletionKeeper.h"
#include "backup/KeepSettings.h"
#include "backup/TrashStore.h"
#include "base/LocalFile.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace zandrel {

// Keeps each deleted phone file in the trash, within the size limits of KeepSettings. Works only
// with a library that can fetch and while settings.keep is on; otherwise it does nothing at all.
class TrashKeeper final : public DeletionKeeper {
public:
    // A phone listing larger than this is not asked for at a run; each file is fetched to learn
    // its size. A read's listing of any size is learnt from.
    static constexpr std::int32_t kLargestSizeList = 65536;

    TrashKeeper(PhoneLink& phone, const BackupTexts& texts, TrashStore store);
    ~TrashKeeper() override;

    KeepSettings settings;
    // Seconds since 1970; tests set their own clock.
    std::function<std::int64_t()> now;
    // The kind of phone in use, written into each copy; the Deleted files window shows only
    // the copies of this kind (and those that do not say).
    std::string phoneKind;

    // Without a home there is no trash to keep files in.
    bool active() { return settings.keep && !store_.folder().empty() && phone_.canFetch(); }
    const TrashStore& store() const { return store_; }

    // Removes the runs that are too old, on a thread of its own, so that a start-up never waits
    // for it; whatever reads or writes the trash next waits for it to end.
    void startTidying();
    // The copies the Deleted files window lists, or nothing when the trash has not changed
    // since the last call (a large trash is read once, not each time the window is in front).
    std::optional<std::vector<TrashEntry>> entriesIfChanged();

    void lastRead(const unsigned char* records, std::size_t count, bool first) override;
    void keep(const std::string& path) override;
    std::string endRun() override;
    void uploadFailed(const std::string& path, Prompts& prompts) override;

    bool keeping() override { return active(); }
    // A flush costs about the same for one copy as for a thousand.
    std::size_t batchLimit = 1024;
    std::size_t batchFiles() const override { return batchLimit; }
    TooLarge tooLarge(const PathAt& pathAt, std::size_t count) override;
    std::optional<std::string> copy(const std::string& path) override;
    std::optional<std::string> flush() override;
    void notDeleted(const std::string& path) override;
    void endBatch() override;
    const BackupTexts* texts() const override { return &texts_; }

private:
    enum Reason { TooLargeToKeep, NoRoom, NotRead, NotWritten, kReasons };
    struct Failure {
        Reason reason;
        std::string why; // as the user reads it
    };

    void waitForTidying();
    void startRun();
    // Adds the sizes of these records to those known.
    void learnSizes(const unsigned char* records, std::size_t count);
    std::optional<std::uint64_t> knownSize(std::string_view path);
    // Whether size more bytes fit in the trash once older runs have gone, oldest first.
    bool makeRoom(std::uint64_t size);
    // packed: into the batch's pack, else into a file of its own.
    std::optional<Failure> copyToBatch(const std::string& path, bool packed);
    // The fetched bytes into the batch's pack, opened with its first copy, or a file of their own.
    std::optional<Failure> writeCopy(TrashEntry& entry, bool packed);
    int writeFetched(int fd, std::uint64_t size);
    // Closes the batch's pack and lists its copies; on a failure none of them is kept.
    int listBatch();
    // The pack being written goes, unlisted.
    void dropPack();
    std::string roomNews() const;
    std::string notKeptNews() const;

    PhoneLink& phone_;
    const BackupTexts& texts_;
    TrashStore store_;
    std::future<void> tidying_;
    std::string shownStamp_;
    // The current run: what was asked, what went wrong, what is kept.
    bool running_ = false;
    std::string run_;
    std::int64_t runTime_ = 0;
    std::uint32_t lastNumber_ = 0;
    std::size_t asked_ = 0;
    std::size_t failed_[kReasons] = {};
    // The phone's file sizes by a hash of the path, sorted, from the last read or the first run
    // after it; kept until the next read, so that only a run with neither lists the phone.
    std::vector<std::pair<std::size_t, std::uint64_t>> sizes_;
    bool sizesKnown_ = false;
    bool sizesSorted_ = true;
    std::deque<TrashRun> olderRuns_; // oldest first
    std::uint64_t olderBytes_ = 0;
    std::uint64_t runBytes_ = 0;
    std::size_t removedForRoom_ = 0;
    std::int64_t removedUpTo_ = 0;
    // One fetch's bytes, in memory until they are known to fit.
    FileDescriptor fetched_;
    std::string buffer_;
    std::vector<TrashEntry> batch_; // written into the pack, not yet listed
    FileDescriptor pack_;
    std::uint32_t packNumber_ = 0; // 0 while no pack is being written
    std::uint64_t packSize_ = 0;
    int packError_ = 0; // the pack lost a copy it should hold
    std::vector<TrashEntry> lastBatch_; // listed and flushed, their phone files being deleted
    std::vector<std::uint32_t> dropped_;
    std::unordered_map<std::string, TrashEntry> kept_; // an upload's, to put back
};

} // namespace zandrel
