#pragma once
#include "base/Prompts.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zandrel {

class BackupTexts;

// What the deleting operations ask before phone files go: keep a copy of each.
class DeletionKeeper {
public:
    virtual ~DeletionKeeper() = default;
    // The records a read of the phone's list has just filled, in parts in their order, the first
    // part with first set: their sizes spare the next run a listing of its own. A read hands
    // them over in parts so that the window answers between them.
    virtual void lastRead(const unsigned char* records, std::size_t count, bool first) = 0;
    // An upload's: right before File_Delete of path, a copy now, made durable at once. The first
    // call starts a run. Keeping never stops an upload's delete.
    virtual void keep(const std::string& path) = 0;
    // Ends the run: what the user should hear of it (files not kept and why, older copies
    // removed to make room), or empty.
    virtual std::string endRun() = 0;
    // An upload failed after its old phone file was deleted: the copy kept of it this run goes
    // back, or the user is told where it is.
    virtual void uploadFailed(const std::string& path, Prompts& prompts) = 0;

    // A deletion pass's, in batches: copies made with copy() are flushed together by flush(),
    // and only then are their phone files deleted. A file whose copy could not be made stays on
    // the phone.

    // Whether this pass keeps copies at all; when not, it deletes as it always did.
    virtual bool keeping() { return false; }
    // The most files a batch holds; a batch also ends after a second of fetching.
    virtual std::size_t batchFiles() const { return 1024; }
    using PathAt = std::function<std::string_view(std::size_t)>;
    struct TooLarge {
        std::size_t files = 0;
        std::uint64_t bytes = 0;
        std::vector<bool> marked; // by index: too large to keep
    };
    // Of the count paths about to be deleted, those that cannot be kept for their size, as far
    // as the sizes are known (the last read, or a listing of the run's own).
    virtual TooLarge tooLarge(const PathAt&, std::size_t) { return {}; }
    // Copies path into the open batch. Nothing when the copy is made, else why it is not (the
    // file is then not to be deleted).
    virtual std::optional<std::string> copy(const std::string&) { return std::nullopt; }
    // Makes the batch's copies durable. Nothing when they are, else why not (none of the batch
    // is then to be deleted).
    virtual std::optional<std::string> flush() { return std::nullopt; }
    // A file copied in the last flushed batch that was not deleted after all (the delete failed,
    // the user stopped, the phone went away): its copy leaves the trash at the end of the batch.
    // An upload's old file kept by keep() and then not deleted: its copy leaves at once.
    virtual void notDeleted(const std::string&) {}
    // Ends the batch: the copies of files not deleted go.
    virtual void endBatch() {}
    // The texts the pass's boxes take; none gives the built-in English.
    virtual const BackupTexts* texts() const { return nullptr; }
};

} // namespace zandrel
