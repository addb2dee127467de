#include "backup/TrashKeeper.h"

#include "backup/PhoneCopies.h"
#include "base/ErrorText.h"
#include "base/MessageTexts.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace zandrel {

namespace {
std::uint32_t littleEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

std::string kilobytes(std::uint64_t bytes) { return std::to_string((bytes + 1023) / 1024); }

std::size_t pathHash(std::string_view path) { return std::hash<std::string_view>()(path); }

std::string localTime(std::int64_t seconds)
{
    const auto when = static_cast<std::time_t>(seconds);
    std::tm local{};
    ::localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}
} // namespace

TrashKeeper::TrashKeeper(PhoneLink& phone, const BackupTexts& texts, TrashStore store)
    : now([] { return static_cast<std::int64_t>(std::time(nullptr)); }), phone_(phone),
      texts_(texts), store_(std::move(store))
{
}

TrashKeeper::~TrashKeeper() { waitForTidying(); }

void TrashKeeper::startTidying()
{
    if (store_.folder().empty() || tidying_.valid())
        return;
    constexpr std::int64_t kDaySeconds = 24 * 60 * 60;
    tidying_ = std::async(std::launch::async, [store = store_, when = now()] {
        store.removeOld(when, KeepSettings::kKeepDays * kDaySeconds);
    });
}

void TrashKeeper::waitForTidying()
{
    if (tidying_.valid())
        tidying_.get();
}

std::optional<std::vector<TrashEntry>> TrashKeeper::entriesIfChanged()
{
    waitForTidying();
    std::string stamp = store_.stamp();
    if (stamp == shownStamp_ && !stamp.empty())
        return std::nullopt;
    shownStamp_ = std::move(stamp);
    std::vector<TrashEntry> entries = store_.entries();
    // Copies from another kind of phone would be restored to a phone that never held them.
    std::erase_if(entries, [&](const TrashEntry& entry) {
        return !entry.phoneKind.empty() && entry.phoneKind != phoneKind;
    });
    return entries;
}

void TrashKeeper::startRun()
{
    waitForTidying();
    running_ = true;
    std::int64_t newest = 0;
    for (TrashRun& run : store_.runs()) {
        newest = std::max(newest, run.newest);
        olderBytes_ += run.bytes;
        olderRuns_.push_back(std::move(run));
    }
    // A clock behind the newest copy would make this run look older than those before it, and
    // the first to go.
    runTime_ = std::max(now(), newest);
    // The sizes from one listing spare fetching a file only to find it too large, which on a
    // slow phone is what makes a clean slow.
    if (sizesKnown_)
        return;
    sizesKnown_ = true;
    const int32_t count = phone_.fileCount();
    if (count <= 0 || count > kLargestSizeList)
        return;
    std::vector<unsigned char> records(static_cast<std::size_t>(count) * kFileRecordSize);
    sizes_.clear();
    if (phone_.fileList(records.data(), count) >= 0)
        learnSizes(records.data(), records.size() / kFileRecordSize);
}

void TrashKeeper::lastRead(const unsigned char* records, std::size_t count, bool first)
{
    if (first) {
        sizes_.clear();
        sizesKnown_ = active();
    }
    if (sizesKnown_)
        learnSizes(records, count);
}

void TrashKeeper::learnSizes(const unsigned char* records, std::size_t count)
{
    // A read gives its records in parts: the vector grows by doubling, not by each part.
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* record = records + i * kFileRecordSize;
        sizes_.emplace_back(pathHash(recordName(record)), littleEndian32(record));
    }
    // Sorted when first looked up: a read's end stays quick.
    sizesSorted_ = false;
}

std::optional<std::uint64_t> TrashKeeper::knownSize(std::string_view path)
{
    if (!sizesSorted_) {
        std::sort(sizes_.begin(), sizes_.end());
        sizesSorted_ = true;
    }
    const std::size_t hash = pathHash(path);
    const auto found = std::lower_bound(sizes_.begin(), sizes_.end(),
                                        std::pair<std::size_t, std::uint64_t>(hash, 0));
    if (found == sizes_.end() || found->first != hash)
        return std::nullopt;
    return found->second;
}

bool TrashKeeper::makeRoom(std::uint64_t size)
{
    const auto fits = [&] { return olderBytes_ + runBytes_ + size <= settings.maxTotalBytes; };
    while (!fits() && !olderRuns_.empty() && runBytes_ + size <= settings.maxTotalBytes) {
        const TrashRun& oldest = olderRuns_.front();
        if (store_.removeRun(oldest.name)) {
            removedForRoom_ += oldest.copies;
            removedUpTo_ = std::max(removedUpTo_, oldest.newest);
        }
        olderBytes_ -= oldest.bytes;
        olderRuns_.pop_front();
    }
    return fits();
}

DeletionKeeper::TooLarge TrashKeeper::tooLarge(const PathAt& pathAt, std::size_t count)
{
    TooLarge found;
    if (!active())
        return found;
    if (!running_)
        startRun();
    found.marked.assign(count, false);
    std::uint64_t planned = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::optional<std::uint64_t> size = knownSize(pathAt(i));
        if (!size)
            continue;
        // Past the total even with every older run gone, a copy cannot be kept either.
        if (*size <= settings.maxFileBytes && planned + *size <= settings.maxTotalBytes) {
            planned += *size;
            continue;
        }
        found.marked[i] = true;
        ++found.files;
        found.bytes += *size;
    }
    return found;
}

std::optional<std::string> TrashKeeper::copy(const std::string& path)
{
    if (!running_)
        startRun();
    const std::optional<Failure> failure = copyToBatch(path, true);
    if (!failure)
        return std::nullopt;
    return MessageTexts::format(texts_.get(BackupText::NotDeletedUnkept), {failure->why});
}

std::optional<TrashKeeper::Failure> TrashKeeper::copyToBatch(const std::string& path,
                                                             bool packed)
{
    // The phone's bytes go to memory first: a failure then is the phone's, and one of writing
    // them is the computer's, each told as what it is.
    if (fetched_.get() < 0)
        fetched_ = FileDescriptor(::memfd_create("zandrel-keep", MFD_CLOEXEC));
    if (fetched_.get() < 0)
        return Failure{NotWritten, ioErrorText(errno, store_.folder())};
    if (::ftruncate(fetched_.get(), 0) != 0 || ::lseek(fetched_.get(), 0, SEEK_SET) != 0)
        return Failure{NotWritten, ioErrorText(errno, store_.folder())};
    const int32_t result = phone_.fileFetch(path, fetched_.get());
    if (result < 0)
        return Failure{NotRead, MessageTexts::format(texts_.get(BackupText::PhoneDidNotGive),
                                                     {std::to_string(result)})};
    const auto size = static_cast<std::uint64_t>(result);
    // A file larger than the per-file limit whose size was not known beforehand has been
    // fetched all the same; keeping it costs only room.
    if (!makeRoom(size))
        return Failure{NoRoom, MessageTexts::format(texts_.get(BackupText::NoRoomForCopy),
                                                    {kilobytes(settings.maxTotalBytes)})};
    if (run_.empty())
        run_ = store_.newRun(runTime_);
    if (run_.empty())
        return Failure{NotWritten, ioErrorText(errno, store_.folder() + "/")};
    TrashEntry entry{run_, ++lastNumber_, runTime_, size, path, phoneKind};
    if (std::optional<Failure> failure = writeCopy(entry, packed))
        return failure;
    runBytes_ += size;
    batch_.push_back(std::move(entry));
    return std::nullopt;
}

std::optional<TrashKeeper::Failure> TrashKeeper::writeCopy(TrashEntry& entry, bool packed)
{
    if (!packed || packNumber_ == 0) {
        const std::string part = store_.partName(entry.run, entry.number);
        FileDescriptor file(::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (file.get() < 0)
            return Failure{NotWritten, ioErrorText(errno, part)};
        if (!packed) {
            int error = writeFetched(file.get(), entry.size);
            if (error == 0)
                error = file.close();
            if (error == 0)
                return std::nullopt;
            ::unlink(part.c_str());
            return Failure{NotWritten, ioErrorText(error, part)};
        }
        pack_ = std::move(file);
        packNumber_ = entry.number;
        packSize_ = 0;
    }
    entry.pack = packNumber_;
    entry.offset = packSize_;
    const int error = writeFetched(pack_.get(), entry.size);
    if (error == 0) {
        packSize_ += entry.size;
        return std::nullopt;
    }
    // The copies before it in the pack stay as they were; when that cannot be, the whole batch
    // is lost, and none of its phone files may go.
    if (::ftruncate(pack_.get(), static_cast<off_t>(packSize_)) != 0 ||
        ::lseek(pack_.get(), static_cast<off_t>(packSize_), SEEK_SET) < 0)
        packError_ = error;
    return Failure{NotWritten, ioErrorText(error, store_.partName(entry.run, packNumber_))};
}

int TrashKeeper::writeFetched(int fd, std::uint64_t size)
{
    buffer_.resize(static_cast<std::size_t>(size));
    errno = 0;
    if (size > 0 && ::pread(fetched_.get(), buffer_.data(), buffer_.size(), 0) != ssize_t(size))
        return errno ? errno : EIO;
    return writeAll(fd, buffer_);
}

void TrashKeeper::dropPack()
{
    if (packNumber_ != 0) {
        pack_ = FileDescriptor();
        ::unlink(store_.partName(run_, packNumber_).c_str());
    }
    packNumber_ = 0;
    packError_ = 0;
}

int TrashKeeper::listBatch()
{
    int error = packError_;
    // A pack that cannot be closed may not hold what was written to it.
    if (error == 0 && pack_.get() >= 0)
        error = pack_.close();
    if (error == 0) {
        error = store_.add(batch_); // which removes the pack when it fails
        packNumber_ = 0;
    }
    dropPack();
    if (error != 0)
        for (const TrashEntry& entry : batch_)
            runBytes_ -= entry.size;
    return error;
}

std::optional<std::string> TrashKeeper::flush()
{
    if (batch_.empty())
        return std::nullopt;
    const int error = listBatch();
    if (error == 0) {
        lastBatch_ = std::move(batch_);
        batch_.clear();
        return std::nullopt;
    }
    batch_.clear();
    const std::string why = ioErrorText(error, store_.folder() + "/" + run_ + "/");
    return MessageTexts::format(texts_.get(BackupText::NotDeletedUnkept), {why});
}

void TrashKeeper::notDeleted(const std::string& path)
{
    if (const auto kept = kept_.find(path); kept != kept_.end()) {
        [[maybe_unused]] const int removed = store_.remove(kept->second);
        runBytes_ -= kept->second.size;
        kept_.erase(kept);
        return;
    }
    const auto copy = std::find_if(lastBatch_.begin(), lastBatch_.end(),
                                   [&](const TrashEntry& entry) { return entry.phonePath == path; });
    if (copy == lastBatch_.end())
        return;
    dropped_.push_back(copy->number);
    runBytes_ -= copy->size;
    lastBatch_.erase(copy);
}

void TrashKeeper::endBatch()
{
    lastBatch_.clear();
    if (dropped_.empty())
        return;
    // A copy of a file still on the phone is no deleted file; what stays of it is harmless.
    [[maybe_unused]] const int removed = store_.removeCopies(run_, dropped_);
    dropped_.clear();
    if (::access((store_.folder() + "/" + run_).c_str(), F_OK) != 0)
        run_.clear();
}

void TrashKeeper::keep(const std::string& path)
{
    if (!active())
        return;
    if (!running_)
        startRun();
    ++asked_;
    std::optional<Failure> failure;
    const std::optional<std::uint64_t> size = knownSize(path);
    if (size && *size > settings.maxFileBytes)
        failure = Failure{TooLargeToKeep, {}};
    // An upload's old file is kept in a file of its own, which its box can name.
    if (!failure)
        failure = copyToBatch(path, false);
    if (!failure && listBatch() != 0)
        failure = Failure{NotWritten, {}};
    else if (!failure)
        kept_[path] = batch_.back();
    batch_.clear();
    // An upload's old file that the phone does not give is most often one it does not hold:
    // no news. A copy too large, without room or not written is.
    if (failure && failure->reason == NotRead)
        --asked_;
    else if (failure)
        ++failed_[failure->reason];
}

std::string TrashKeeper::notKeptNews() const
{
    std::size_t notKept = 0;
    for (const std::size_t count : failed_)
        notKept += count;
    if (notKept == 0)
        return {};
    std::string text = MessageTexts::format(texts_.get(BackupText::NotKeptHead),
                                            {std::to_string(notKept), std::to_string(asked_)});
    const std::pair<BackupText, std::string> lines[kReasons] = {
        {BackupText::NotKeptTooLarge, kilobytes(settings.maxFileBytes)},
        {BackupText::NotKeptTrashFull, kilobytes(settings.maxTotalBytes)},
        {BackupText::NotKeptNotRead, {}},
        {BackupText::NotKeptNotWritten, {}},
    };
    for (int reason = 0; reason < kReasons; ++reason)
        if (failed_[reason] > 0)
            text += "\n" + MessageTexts::format(texts_.get(lines[reason].first),
                                                {std::to_string(failed_[reason]),
                                                 lines[reason].second});
    return text;
}

std::string TrashKeeper::roomNews() const
{
    if (removedForRoom_ == 0)
        return {};
    return MessageTexts::format(texts_.get(BackupText::RoomMade),
                                {std::to_string(removedForRoom_), localTime(removedUpTo_)});
}

std::string TrashKeeper::endRun()
{
    endBatch();
    // Copies made but never flushed belong to files that were not deleted.
    dropPack();
    batch_.clear();
    // A run that kept nothing (stopped before its first flush) leaves no folder behind.
    if (!run_.empty() &&
        ::access((store_.folder() + "/" + run_ + "/" + TrashStore::kIndexName).c_str(), F_OK) != 0)
        store_.removeRun(run_);
    if (fetched_.get() >= 0)
        [[maybe_unused]] const int emptied = ::ftruncate(fetched_.get(), 0);
    std::string text = notKeptNews();
    if (const std::string room = roomNews(); !room.empty())
        text += (text.empty() ? "" : "\n") + room;
    running_ = false;
    run_.clear();
    asked_ = 0;
    std::fill(std::begin(failed_), std::end(failed_), 0);
    olderRuns_.clear();
    olderBytes_ = 0;
    runBytes_ = 0;
    removedForRoom_ = 0;
    removedUpTo_ = 0;
    kept_.clear();
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
    std::uint64_t found = 0;
    if (store_.readCopy(kept->second, bytes, found) == 0 &&
        sendAndVerify(phone_, path, bytes) == 0) {
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
