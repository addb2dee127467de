#include "backup/TrashKeeper.h"

#include "backup/PhoneCopies.h"
#include "base/LocalFile.h"
#include "base/MessageTexts.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zandrel {

namespace {
std::uint32_t littleEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

std::string kilobytes(std::uint64_t bytes) { return std::to_string(bytes / 1024); }
} // namespace

TrashKeeper::TrashKeeper(PhoneLink& phone, const BackupTexts& texts, TrashStore store)
    : now([] { return static_cast<std::int64_t>(std::time(nullptr)); }), phone_(phone),
      texts_(texts), store_(std::move(store))
{
}

void TrashKeeper::startRun()
{
    running_ = true;
    for (auto& run : store_.runSizes()) {
        olderBytes_ += run.second;
        olderRuns_.push_back(std::move(run));
    }
    // The sizes from one listing spare fetching a file only to find it too large, which on a
    // slow phone is what makes a clean slow.
    if (sizesKnown_)
        return;
    sizesKnown_ = true;
    const int32_t count = phone_.fileCount();
    if (count <= 0 || count > kLargestSizeList)
        return;
    std::vector<unsigned char> records(static_cast<std::size_t>(count) * kFileRecordSize);
    if (phone_.fileList(records.data(), count) >= 0)
        learnSizes(records.data(), records.size() / kFileRecordSize);
}

void TrashKeeper::lastRead(const unsigned char* records, std::size_t count)
{
    sizes_.clear();
    // A listing too large to learn from is not asked for again at the run.
    sizesKnown_ = active();
    if (sizesKnown_ && count <= std::size_t(kLargestSizeList))
        learnSizes(records, count);
}

void TrashKeeper::learnSizes(const unsigned char* records, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* record = records + i * kFileRecordSize;
        sizes_[std::string(recordName(record))] = littleEndian32(record);
    }
}

bool TrashKeeper::makeRoom(std::uint64_t size)
{
    const auto fits = [&] { return olderBytes_ + runBytes_ + size <= settings.maxTotalBytes; };
    while (!fits() && !olderRuns_.empty() && runBytes_ + size <= settings.maxTotalBytes) {
        store_.removeRun(olderRuns_.front().first);
        olderBytes_ -= olderRuns_.front().second;
        olderRuns_.pop_front();
    }
    return fits();
}

void TrashKeeper::keep(const std::string& path)
{
    if (!active())
        return;
    if (!running_)
        startRun();
    // A path deleted twice in one run (Clean Java after two reads) is kept once.
    if (!seen_.insert(path).second)
        return;
    ++asked_;
    if (const std::optional<Reason> reason = copy(path))
        ++failed_[*reason];
}

std::optional<TrashKeeper::Reason> TrashKeeper::copy(const std::string& path)
{
    const auto known = sizes_.find(path);
    if (known != sizes_.end()) {
        if (known->second > settings.maxFileBytes)
            return TooLarge;
        if (!makeRoom(known->second))
            return TrashFull;
    }
    if (run_.empty())
        run_ = store_.newRun(now());
    if (run_.empty())
        return NotWritten;
    TrashEntry entry{run_, ++lastNumber_, now(), 0, path};
    const std::string part = store_.partName(run_, entry.number);
    if (const std::optional<Reason> reason = fetchInto(path, part, entry.size)) {
        ::unlink(part.c_str());
        return reason;
    }
    if (store_.add(entry) != 0)
        return NotWritten;
    runBytes_ += entry.size;
    kept_[path] = std::move(entry);
    return std::nullopt;
}

std::optional<TrashKeeper::Reason>
TrashKeeper::fetchInto(const std::string& path, const std::string& part, std::uint64_t& size)
{
    FileDescriptor file(::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.get() < 0)
        return NotWritten;
    const int32_t result = phone_.fileFetch(path, file.get());
    if (result < 0)
        return NotRead;
    size = static_cast<std::uint64_t>(result);
    // Without a size from the listing the limits are checked once the copy is made.
    if (size > settings.maxFileBytes)
        return TooLarge;
    if (!makeRoom(size))
        return TrashFull;
    if (::fsync(file.get()) != 0 || file.close() != 0)
        return NotWritten;
    return std::nullopt;
}

std::string TrashKeeper::endRun()
{
    std::size_t notKept = 0;
    for (const std::size_t count : failed_)
        notKept += count;
    std::string text;
    if (notKept > 0) {
        text = MessageTexts::format(texts_.get(BackupText::NotKeptHead),
                                    {std::to_string(notKept), std::to_string(asked_)});
        const std::pair<BackupText, std::string> lines[kReasons] = {
            {BackupText::NotKeptTooLarge, kilobytes(settings.maxFileBytes)},
            {BackupText::NotKeptTrashFull, kilobytes(settings.maxTotalBytes)},
            {BackupText::NotKeptNotRead, {}},
            {BackupText::NotKeptNotWritten, {}},
        };
        for (int reason = 0; reason < kReasons; ++reason)
            if (failed_[reason] > 0)
                text += "\n" + MessageTexts::format(
                                   texts_.get(lines[reason].first),
                                   {std::to_string(failed_[reason]), lines[reason].second});
    }
    running_ = false;
    run_.clear();
    asked_ = 0;
    std::fill(std::begin(failed_), std::end(failed_), 0);
    olderRuns_.clear();
    olderBytes_ = 0;
    runBytes_ = 0;
    kept_.clear();
    seen_.clear();
    return text;
}

void TrashKeeper::uploadFailed(const std::string& path, Prompts& prompts)
{
    if (!active())
        return;
    const auto kept = kept_.find(path);
    if (kept == kept_.end()) {
        prompts.warning(MessageTexts::format(texts_.get(BackupText::UploadNotKept), {path}));
        return;
    }
    const std::string copyFile = store_.fileOf(kept->second);
    std::string bytes;
    if (readWholeFile(copyFile, bytes, INT32_MAX) == 0 && sendAndVerify(phone_, path, bytes) == 0) {
        // Back on the phone, the file is no longer a deleted one.
        [[maybe_unused]] const int removed = store_.remove(kept->second);
        kept_.erase(kept);
        prompts.information(MessageTexts::format(texts_.get(BackupText::UploadPutBack), {path}));
        return;
    }
    prompts.localFileError(
        MessageTexts::format(texts_.get(BackupText::UploadCopyKept), {path}) + ' ', copyFile);
}

} // namespace zandrel
