#include "backup/RestoreFiles.h"

#include "backup/PhoneCopies.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"
#include "base/MessageTexts.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <numeric>
#include <unistd.h>

namespace zandrel {

namespace {
// A few are enough to see which; the count says how many.
constexpr std::size_t kNamed = 10;

void runAside(const RestorePlace& place, const std::function<void()>& job)
{
    if (place.aside)
        place.aside(job);
    else
        job();
}

// Writes a copy of what the phone held into the run's folder and lists it; durable before the
// phone file is written over, as listing flushes it. Returns 0 or an errno.
int keepInTrash(const TrashStore& trash, const TrashEntry& entry, const std::string& bytes)
{
    const std::string part = trash.partName(entry.run, entry.number);
    FileDescriptor file(::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    int error = file.get() < 0 ? errno : writeAll(file.get(), bytes);
    if (error == 0)
        error = file.close();
    if (error == 0)
        error = trash.add(entry);
    if (error != 0)
        ::unlink(part.c_str());
    return error;
}

class Restore {
public:
    Restore(const RestorePlace& place, std::shared_ptr<const CopySource> source)
        : place_(place), texts_(place.texts), phone_(place.phone), source_(std::move(source)),
          listing_(place.phone)
    {
    }

    enum class Result { Back, Failed, PhoneGone };
    // Puts item index back; on Failed, why_ says why.
    Result putBack(const RestoreItem& item, std::size_t index);
    std::string why;
    std::size_t replacedKept = 0;

private:
    std::string readCopy(const RestoreItem& item, std::size_t index, std::string& bytes);
    std::string keepReplaced(const std::string& path, const std::string& held,
                             std::optional<TrashEntry>& kept);
    std::string afterFailedWrite(const std::string& path, const std::optional<std::string>& held,
                                 std::optional<TrashEntry>& kept);
    std::string text(BackupText which, std::initializer_list<std::string> args = {}) const
    {
        return MessageTexts::format(texts_.get(which), args);
    }

    const RestorePlace& place_;
    const BackupTexts& texts_;
    PhoneLink& phone_;
    std::shared_ptr<const CopySource> source_;
    PhoneListing listing_;
    std::string run_;
    std::uint32_t lastNumber_ = 0;
};

std::string Restore::readCopy(const RestoreItem& item, std::size_t index, std::string& bytes)
{
    struct Outcome {
        int error = 0;
        std::uint64_t found = 0;
        std::string bytes;
    };
    auto outcome = std::make_shared<Outcome>();
    runAside(place_, [outcome, source = source_, index] {
        outcome->error = source->read(index, outcome->bytes, outcome->found);
    });
    bytes = std::move(outcome->bytes);
    switch (outcome->error) {
    case 0:
        return {};
    case kNotPlainFile:
        return text(BackupText::NotPlainFile);
    case BackupFolder::kSizeDiffers:
        return text(BackupText::SizeDiffers,
                    {std::to_string(outcome->found), std::to_string(item.size)});
    case CopySource::kChecksumDiffers:
        return text(BackupText::ChecksumDiffers);
    default:
        return ioErrorText(outcome->error, source_->fileOf(index));
    }
}

std::string Restore::keepReplaced(const std::string& path, const std::string& held,
                                  std::optional<TrashEntry>& kept)
{
    const TrashStore& trash = place_.trash;
    if (trash.folder().empty())
        return text(BackupText::NoTrashFolder);
    const std::int64_t now = place_.now ? place_.now() : 0;
    if (run_.empty())
        run_ = trash.newRun(now);
    if (run_.empty())
        return ioErrorText(errno, trash.folder());
    TrashEntry entry{run_, ++lastNumber_, now, held.size(), path, place_.phoneKind, true};
    auto error = std::make_shared<int>(0);
    auto bytes = std::make_shared<std::string>(held);
    runAside(place_, [error, trash, entry, bytes] { *error = keepInTrash(trash, entry, *bytes); });
    if (*error != 0)
        return ioErrorText(*error, trash.fileOf(entry));
    kept = std::move(entry);
    return {};
}

// What the phone holds at path after a write that failed, put as right as it can be: what was
// there goes back, or the part written goes.
std::string Restore::afterFailedWrite(const std::string& path,
                                      const std::optional<std::string>& held,
                                      std::optional<TrashEntry>& kept)
{
    if (!phone_.isConnected())
        return text(BackupText::StateUnknown) +
               (kept ? "; " + text(BackupText::StateOldKept) : std::string());
    if (held)
        static_cast<void>(sendAndVerify(phone_, path, *held));
    else
        static_cast<void>(phone_.fileDelete(path));
    std::string now;
    const int32_t fetched = fetchToMemory(phone_, path, now);
    listing_.forget();
    std::string state;
    if (fetched >= 0 && held && now == *held) {
        // Back as it was: the copy kept of it is no longer a replaced file.
        if (kept && place_.trash.remove(*kept) == 0) {
            kept.reset();
            --replacedKept;
        }
        state = text(BackupText::StateOldBack);
    } else if (fetched >= 0) {
        state = text(BackupText::StatePartial, {std::to_string(now.size())});
    } else if (listing_.holds(path) == false) {
        state = text(BackupText::StateNothing);
    } else {
        state = text(BackupText::StateUnknown);
    }
    return kept ? state + "; " + text(BackupText::StateOldKept) : state;
}

Restore::Result Restore::putBack(const RestoreItem& item, std::size_t index)
{
    std::string copy;
    why = readCopy(item, index, copy);
    if (!why.empty())
        return Result::Failed;
    // What the phone holds there now: kept when it differs, put back when the write fails.
    std::optional<std::string> held(std::in_place);
    const int32_t fetched = fetchToMemory(phone_, item.phonePath, *held);
    if (fetched < 0) {
        if (!phone_.isConnected())
            return Result::PhoneGone;
        // A phone that cannot say whether a file is there is not written over.
        if (listing_.holds(item.phonePath) != false) {
            why = text(BackupText::HeldUnread, {std::to_string(fetched)});
            return Result::Failed;
        }
        held.reset();
    }
    std::optional<TrashEntry> kept;
    if (held && *held == copy)
        return Result::Back;
    if (held) {
        if (const std::string failed = keepReplaced(item.phonePath, *held, kept); !failed.empty()) {
            why = text(BackupText::HeldNotKept, {failed});
            return Result::Failed;
        }
        ++replacedKept;
    }
    const int32_t sent = sendAndVerify(phone_, item.phonePath, copy);
    if (sent == 0) {
        listing_.wrote(item.phonePath);
        return Result::Back;
    }
    why = (sent == kDiffers ? text(BackupText::PhoneCopyDiffers)
                            : text(BackupText::PhoneRefused, {std::to_string(sent)})) +
          "; " + afterFailedWrite(item.phonePath, held, kept);
    return phone_.isConnected() ? Result::Failed : Result::PhoneGone;
}

// How a restore went, for the box at its end.
struct RestoreTally {
    std::size_t done = 0, failed = 0, tried = 0;
    std::vector<std::string> failures;   // the first few, with why
    BackupText left = BackupText::Count; // why the rest was not tried, if it was not
};

void showRestoreEnd(const RestorePlace& place, const RestoreTally& tally, std::size_t total,
                    std::size_t replacedKept)
{
    const auto format = [&](BackupText which, std::initializer_list<std::string> args) {
        return MessageTexts::format(place.texts.get(which), args);
    };
    std::string text = tally.failed > 0
                           ? format(BackupText::NotRestoredHead,
                                    {std::to_string(tally.failed), std::to_string(total)}) +
                                 namedLines(tally.failures, tally.failed)
                           : format(BackupText::Restored, {std::to_string(tally.done)});
    if (tally.left != BackupText::Count && tally.tried < total)
        text += "\n" + format(tally.left, {std::to_string(total - tally.tried)});
    if (replacedKept > 0)
        text += "\n" + format(BackupText::ReplacedKept, {std::to_string(replacedKept)});
    if (tally.failed == 0 && tally.left == BackupText::Count)
        place.prompts.information(text);
    else
        place.prompts.warning(text);
}
} // namespace

std::vector<bool> RestoreFiles(const RestorePlace& place, const std::vector<RestoreItem>& items,
                               std::shared_ptr<const CopySource> source)
{
    const BackupTexts& texts = place.texts;
    Prompts& prompts = place.prompts;
    std::vector<bool> back(items.size(), false);
    if (!place.phone.isConnected()) {
        prompts.warning(texts.get(BackupText::NoPhone));
        return back;
    }
    // Oldest first, so that of several copies of one path the newest ends on the phone.
    std::vector<std::size_t> order(items.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return items[a].time < items[b].time; });

    Restore restore(place, source);
    RestoreTally tally;
    std::vector<std::string> notRemoved;
    for (const std::size_t index : order) {
        if (prompts.stopRequested()) {
            tally.left = BackupText::RestoreStopped;
            break;
        }
        const RestoreItem& item = items[index];
        const auto result = restore.putBack(item, index);
        ++tally.tried;
        prompts.progress(tally.tried, items.size());
        if (result == Restore::Result::Back) {
            back[index] = true;
            ++tally.done;
            if (source->putBack(index) != 0 && notRemoved.size() < kNamed)
                notRemoved.push_back(source->fileOf(index));
            continue;
        }
        if (result == Restore::Result::PhoneGone && restore.why.empty()) {
            --tally.tried; // the phone went before this file was touched
            tally.left = BackupText::RestorePhoneGone;
            break;
        }
        if (++tally.failed <= kNamed)
            tally.failures.push_back(item.phonePath + ": " + restore.why);
        if (result == Restore::Result::PhoneGone) {
            tally.left = BackupText::RestorePhoneGone;
            break;
        }
    }
    prompts.progress(items.size(), items.size());
    showRestoreEnd(place, tally, items.size(), restore.replacedKept);
    for (const std::string& file : notRemoved)
        prompts.localFileError(place.texts.get(BackupText::RemoveFailed) + ' ', file);
    return back;
}

} // namespace zandrel
