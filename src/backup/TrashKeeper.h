#pragma once
#include "backup/BackupTexts.h"
#include "backup/DeletionKeeper.h"
#include "backup/KeepSettings.h"
#include "backup/TrashStore.h"
#include "phonelink/PhoneLink.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace zandrel {

// Keeps each deleted phone file in the trash, within the size limits of KeepSettings. Works only
// with a library that can fetch and while settings.keep is on; otherwise it does nothing at all.
class TrashKeeper final : public DeletionKeeper {
public:
    // A phone listing larger than this is not asked for sizes; each file is fetched to learn it.
    static constexpr std::int32_t kLargestSizeList = 65536;

    TrashKeeper(PhoneLink& phone, const BackupTexts& texts, TrashStore store);

    KeepSettings settings;
    // Seconds since 1970; tests set their own clock.
    std::function<std::int64_t()> now;

    // Without a home there is no trash to keep files in.
    bool active() { return settings.keep && !store_.folder().empty() && phone_.canFetch(); }
    const TrashStore& store() const { return store_; }

    void lastRead(const unsigned char* records, std::size_t count) override;
    void keep(const std::string& path) override;
    std::string endRun() override;
    void uploadFailed(const std::string& path, Prompts& prompts) override;

private:
    enum Reason { TooLarge, TrashFull, NotRead, NotWritten, kReasons };

    void startRun();
    void learnSizes(const unsigned char* records, std::size_t count);
    // Whether size more bytes fit in the trash once older runs have gone, oldest first.
    bool makeRoom(std::uint64_t size);
    std::optional<Reason> copy(const std::string& path);
    std::optional<Reason> fetchInto(const std::string& path, const std::string& part,
                                    std::uint64_t& size);

    PhoneLink& phone_;
    const BackupTexts& texts_;
    TrashStore store_;
    // The current run: what was asked, what went wrong, what is kept.
    bool running_ = false;
    std::string run_;
    std::uint32_t lastNumber_ = 0;
    std::size_t asked_ = 0;
    std::size_t failed_[kReasons] = {};
    // The phone's file sizes, from the last read or the first run after it; kept until the next
    // read, so that only a run with neither lists the phone.
    std::unordered_map<std::string, std::uint64_t> sizes_;
    bool sizesKnown_ = false;
    std::deque<std::pair<std::string, std::uint64_t>> olderRuns_; // oldest first
    std::uint64_t olderBytes_ = 0;
    std::uint64_t runBytes_ = 0;
    std::unordered_map<std::string, TrashEntry> kept_;
    std::unordered_set<std::string> seen_;
};

} // namespace zandrel
