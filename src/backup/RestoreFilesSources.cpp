// Where RestoreFiles reads its copies: the trash's folder or a backup's.
#include "backup/RestoreFiles.h"

#include "backup/Sha256.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"

#include <cerrno>
#include <cstdint>

namespace zandrel {

namespace {
class TrashCopies final : public CopySource {
public:
    TrashCopies(TrashStore store, std::vector<TrashEntry> entries)
        : store_(std::move(store)), entries_(std::move(entries))
    {
    }

    int read(std::size_t index, std::string& bytes, std::uint64_t& found) const override
    {
        return store_.readCopy(entries_[index], bytes, found);
    }
    int putBack(std::size_t index) const override { return store_.remove(entries_[index]); }
    std::string fileOf(std::size_t index) const override { return store_.fileOf(entries_[index]); }

private:
    TrashStore store_;
    std::vector<TrashEntry> entries_;
};

class BackupCopies final : public CopySource {
public:
    BackupCopies(BackupFolder folder, std::vector<ManifestEntry> entries)
        : folder_(std::move(folder)), entries_(std::move(entries))
    {
    }

    int read(std::size_t index, std::string& bytes, std::uint64_t& found) const override
    {
        const ManifestEntry& entry = entries_[index];
        // A phone file is never larger; a manifest that says so is not believed.
        if (entry.size > INT32_MAX)
            return kTooLarge;
        if (const int error = folder_.readFile(entry.hostName, entry.size, bytes, found))
            return error;
        return sha256Hex(bytes) == entry.sha256 ? 0 : kChecksumDiffers;
    }
    std::string fileOf(std::size_t index) const override
    {
        return folder_.path() + "/" + entries_[index].hostName;
    }

private:
    BackupFolder folder_;
    std::vector<ManifestEntry> entries_;
};
} // namespace

void RestoreFromTrash(const RestorePlace& place, const std::vector<TrashEntry>& entries)
{
    std::vector<RestoreItem> items;
    items.reserve(entries.size());
    for (const TrashEntry& entry : entries)
        items.push_back({entry.phonePath, entry.time, entry.size, {}});
    RestoreFiles(place, items, std::make_shared<TrashCopies>(place.trash, entries));
}

void RestoreFromBackup(const RestorePlace& place, const BackupFolder& folder,
                       const std::vector<ManifestEntry>& entries)
{
    std::vector<RestoreItem> items;
    items.reserve(entries.size());
    for (const ManifestEntry& entry : entries)
        items.push_back({entry.phonePath, 0, entry.size, entry.sha256});
    RestoreFiles(place, items, std::make_shared<BackupCopies>(folder, entries));
}

} // namespace zandrel
