#include "sweep/DeletionPass.h"

#include "backup/BackupTexts.h"

namespace zandrel {

namespace {
// A few are enough to see what went wrong; the count tells how many there are.
constexpr std::size_t kFailuresNamed = 5;

// The path with its NUL bytes made visible, so the box shows where the line holds them.
std::string withVisibleNul(std::string_view path)
{
    std::string shown;
    for (const char c : path) {
        if (c == '\0')
            shown += "<NUL>";
        else
            shown += c;
    }
    return shown;
}

std::string kilobytes(std::uint64_t bytes) { return std::to_string((bytes + 1023) / 1024); }
} // namespace

DeletionPass::DeletionPass(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper)
    : phone_(phone), prompts_(prompts), keeper_(keeper)
{
}

const BackupTexts& DeletionPass::backupTexts() const
{
    static const BackupTexts builtIn;
    const BackupTexts* texts = keeper_ ? keeper_->texts() : nullptr;
    return texts ? *texts : builtIn;
}

DeletionPass::Ending DeletionPass::run(const DeletionKeeper::PathAt& pathAt, std::size_t count)
{
    total_ = count;
    keeping_ = keeper_ && keeper_->keeping();
    Marks marks;
    if (keeping_ && !askAboutLargeFiles(pathAt, count, marks)) {
        news_ = keeper_->endRun();
        return ending_ = Ending::Cancelled;
    }
    std::vector<std::size_t> batch;
    std::size_t next = 0;
    while (next < count && ending_ == Ending::Done) {
        batch.clear();
        const bool filled = fillBatch(pathAt, count, marks, next, batch);
        if (filled)
            deleteBatch(pathAt, batch);
        if (keeper_)
            keeper_->endBatch();
    }
    if (keeper_)
        news_ = keeper_->endRun();
    if (leftTooLarge_ > 0) {
        const std::string left = MessageTexts::format(
            backupTexts().get(BackupText::LeftTooLarge), {std::to_string(leftTooLarge_)});
        news_ = news_.empty() ? left : left + "\n" + news_;
    }
    if (done_ < total_ && ending_ == Ending::Done)
        prompts_.progress(total_, total_);
    return ending_;
}

bool DeletionPass::askAboutLargeFiles(const DeletionKeeper::PathAt& pathAt, std::size_t count,
                                      Marks& marks)
{
    DeletionKeeper::TooLarge large = keeper_->tooLarge(pathAt, count);
    if (large.files == 0)
        return true;
    const std::string question = MessageTexts::format(
        backupTexts().get(BackupText::TooLargeQuestion),
        {std::to_string(large.files), std::to_string(count), kilobytes(large.bytes)});
    switch (prompts_.yesNoCancel(question)) {
    case Prompts::Answer::Yes:
        marks.forGood = std::move(large.marked);
        return true;
    case Prompts::Answer::No:
        marks.leave = std::move(large.marked);
        return true;
    default:
        return false;
    }
}

bool DeletionPass::fillBatch(const DeletionKeeper::PathAt& pathAt, std::size_t count,
                             const Marks& marks, std::size_t& next,
                             std::vector<std::size_t>& batch)
{
    const auto start = std::chrono::steady_clock::now();
    const std::size_t most = keeper_ ? keeper_->batchFiles() : 1024;
    std::size_t copies = 0;
    while (next < count && batch.size() < most &&
           (batch.empty() || std::chrono::steady_clock::now() - start < kBatchTime)) {
        const std::size_t i = next;
        const std::string_view path = pathAt(i);
        if (!PhoneLink::libraryTakes(path)) {
            fail(path, PhoneLink::kPathRefused, false);
            ++next;
            continue;
        }
        if (!marks.leave.empty() && marks.leave[i]) {
            ++leftTooLarge_;
            ++next;
            stepDone();
            continue;
        }
        const bool copied = keeping_ && (marks.forGood.empty() || !marks.forGood[i]);
        if (copied) {
            // A fetch is a call of its own: the user may stop before it.
            if (prompts_.stopRequested()) {
                ending_ = Ending::Stopped;
                return false;
            }
            path_.assign(path);
            if (const std::optional<std::string> why = keeper_->copy(path_)) {
                if (!phone_.isConnected()) {
                    ending_ = Ending::PhoneGone;
                    return false;
                }
                fail(path, 0, true, *why);
                ++next;
                continue;
            }
            ++copies;
        }
        batch.push_back(i);
        ++next;
    }
    if (copies == 0)
        return true;
    if (const std::optional<std::string> why = keeper_->flush()) {
        // Not one of the batch's copies is safe: their files stay.
        std::vector<std::size_t> deletable;
        for (const std::size_t i : batch) {
            if (marks.forGood.empty() || !marks.forGood[i])
                fail(pathAt(i), 0, true, *why);
            else
                deletable.push_back(i);
        }
        batch.swap(deletable);
    }
    return true;
}

bool DeletionPass::deleteBatch(const DeletionKeeper::PathAt& pathAt,
                               const std::vector<std::size_t>& batch)
{
    for (std::size_t b = 0; b < batch.size(); ++b) {
        path_.assign(pathAt(batch[b]));
        if (ending_ == Ending::Done && prompts_.stopRequested())
            ending_ = Ending::Stopped;
        if (ending_ != Ending::Done) {
            // Copied but never deleted: no deleted file.
            if (keeper_)
                keeper_->notDeleted(path_);
            continue;
        }
        const int32_t result = phone_.fileDelete(path_);
        if (result >= 0) {
            ++deleted_;
            stepDone();
            continue;
        }
        if (!phone_.isConnected()) {
            // Whether the phone did it before it went is not known; its copy stays.
            ending_ = Ending::PhoneGone;
            ++unknown_;
            continue;
        }
        if (keeper_)
            keeper_->notDeleted(path_);
        fail(path_, result, true);
    }
    return ending_ == Ending::Done;
}

void DeletionPass::stepDone()
{
    ++done_;
    prompts_.progress(done_, total_);
}

void DeletionPass::fail(std::string_view path, int32_t result, bool passedOn, std::string why)
{
    if (failures_.size() < kFailuresNamed)
        failures_.push_back({withVisibleNul(path), result, passedOn, std::move(why)});
    ++failureCount_;
    stepDone();
}

std::string DeletionPass::failureText(const MessageTexts& texts) const
{
    std::string text = MessageTexts::format(texts.get(MessageText::NotDeleted),
                                            {std::to_string(failureCount_), std::to_string(done_)});
    for (const Failure& failure : failures_) {
        text += "\n";
        if (!failure.why.empty())
            text += failure.path + " (" + failure.why + ")";
        else
            text += failure.passedOn
                        ? MessageTexts::format(texts.get(MessageText::DeleteResult),
                                               {failure.path, std::to_string(failure.result)})
                        : MessageTexts::format(texts.get(MessageText::NulInPath), {failure.path});
    }
    if (failureCount_ > failures_.size())
        text += "\n...";
    return text;
}

std::string DeletionPass::stoppedText(bool ticked) const
{
    return MessageTexts::format(
        backupTexts().get(ticked ? BackupText::StoppedClean : BackupText::StoppedList),
        {std::to_string(deleted_), std::to_string(total_)});
}

std::string DeletionPass::goneText() const
{
    return MessageTexts::format(backupTexts().get(BackupText::PhoneGone),
                                {std::to_string(deleted_),
                                 std::to_string(total_ - deleted_ - unknown_),
                                 std::to_string(unknown_)});
}

} // namespace zandrel
