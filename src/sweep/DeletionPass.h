#pragma once
#include "backup/DeletionKeeper.h"
#include "base/MessageTexts.h"
#include "base/Prompts.h"
#include "phonelink/PhoneLink.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

class BackupTexts;

// One pass of File_Delete calls over a list of paths, in list order. It reports its progress
// after every path (the window decides what it shows), asks between deletes whether the user
// wants it stopped, notices a phone that went away, and counts the files it could not delete.
// With a keeper that keeps copies, the files go in batches: each batch's copies are made and
// flushed together first, and a file whose copy could not be made stays on the phone.
class DeletionPass {
public:
    enum class Ending {
        Done,      // every path was tried
        Cancelled, // the user chose to delete nothing
        Stopped,   // the user stopped it; the paths after the last delete were not tried
        PhoneGone, // the phone went away; nothing more was tried
    };
    // A batch's copies are flushed once it is this old, or holds as many as the keeper says: a
    // second's wait between a file's copy and its delete is nothing to the user.
    static constexpr std::chrono::milliseconds kBatchTime{1000};

    DeletionPass(PhoneLink& phone, Prompts& prompts, DeletionKeeper* keeper = nullptr);
    // A negative result of the library counts as a failure. A path the library cannot take as
    // it stands (a NUL byte in it) is not passed on at all, and counts as one too.
    Ending run(const DeletionKeeper::PathAt& pathAt, std::size_t count);

    bool allDeleted() const { return failureCount_ == 0; }
    std::size_t deleted() const { return deleted_; }
    // How many of how many could not be deleted, naming the first few with why.
    std::string failureText(const MessageTexts& texts) const;
    // After Ending::Stopped: how many of the paths went; `ticked` for a list whose entries stay
    // ticked.
    std::string stoppedText(bool ticked) const;
    // After Ending::PhoneGone: deleted, not deleted, and not known.
    std::string goneText() const;
    // What else the user should hear: copies removed to make room, files left as too large.
    const std::string& news() const { return news_; }

private:
    struct Failure {
        std::string path;   // NUL bytes shown as <NUL>
        int32_t result = 0; // the library's, or none when the path was not passed on
        bool passedOn = true;
        std::string why; // instead of the result: why the file was not even tried
    };
    struct Marks {
        std::vector<bool> forGood; // deleted without a copy, with the user's leave
        std::vector<bool> leave;   // left on the phone, as the user chose
    };

    bool askAboutLargeFiles(const DeletionKeeper::PathAt& pathAt, std::size_t count, Marks& marks);
    // Copies up to a batch of files, from `next` on; the indexes to delete go to `batch`.
    bool fillBatch(const DeletionKeeper::PathAt& pathAt, std::size_t count, const Marks& marks,
                   std::size_t& next, std::vector<std::size_t>& batch);
    // Deletes the batch's files in list order, until a stop or a phone gone.
    bool deleteBatch(const DeletionKeeper::PathAt& pathAt, const std::vector<std::size_t>& batch);
    void stepDone();
    void fail(std::string_view path, int32_t result, bool passedOn, std::string why = {});
    const BackupTexts& backupTexts() const;

    PhoneLink& phone_;
    Prompts& prompts_;
    DeletionKeeper* keeper_;
    bool keeping_ = false;
    Ending ending_ = Ending::Done;
    std::size_t total_ = 0;
    std::size_t done_ = 0;
    std::size_t deleted_ = 0;
    std::size_t unknown_ = 0;
    std::size_t leftTooLarge_ = 0;
    std::string path_;              // one buffer for the whole pass
    std::vector<Failure> failures_; // the first few
    std::size_t failureCount_ = 0;
    std::string news_;
};

} // namespace zandrel
