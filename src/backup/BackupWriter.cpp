#include "backup/BackupWriter.h"

#include "backup/PhoneCopies.h"
#include "backup/PhoneNames.h"
#include "backup/Sha256.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"
#include "base/MessageTexts.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zandrel {

namespace {
constexpr std::size_t kNamed = 10;
// Where a file is written until it is whole; only then does it take its name.
constexpr const char* kCopying = ".copying";

enum class Outcome { Copied, Failed, Gone, PhoneGone, LocalFailure };

class BackupRun {
public:
    BackupRun(PhoneLink& phone, const BackupTexts& texts, int folder)
        : phone_(phone), texts_(texts), folder_(folder), listing_(phone)
    {
    }

    // Copies one file; on Failed, `why` says why, on LocalFailure `error` and `where`.
    Outcome copy(ManifestEntry& entry, std::string& why);
    int error = 0;
    std::string where;

private:
    int copyBytes(int from, std::uint64_t size, int to, std::string& sha256);
    int placeCopy(ManifestEntry& entry);
    int openFolders(std::string_view hostName, FileDescriptor& parent, std::string& name);

    PhoneLink& phone_;
    const BackupTexts& texts_;
    int folder_;
    PhoneListing listing_;
};

Outcome BackupRun::copy(ManifestEntry& entry, std::string& why)
{
    // Fetched into memory first: a failure there is the phone's, one on the disk is ours.
    FileDescriptor fetched;
    const int32_t result = fetchToMemoryFile(phone_, entry.phonePath, fetched);
    if (result < 0) {
        if (!phone_.isConnected())
            return Outcome::PhoneGone;
        if (listing_.holds(entry.phonePath) == false)
            return Outcome::Gone;
        why =
            MessageTexts::format(texts_.get(BackupText::PhoneDidNotGive), {std::to_string(result)});
        return Outcome::Failed;
    }
    entry.size = static_cast<std::uint64_t>(result);
    FileDescriptor copy(
        ::openat(folder_, kCopying, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    where = kCopying;
    if (copy.get() < 0)
        error = errno;
    else if ((error = copyBytes(fetched.get(), entry.size, copy.get(), entry.sha256)) == 0)
        error = copy.close();
    if (error == 0)
        error = placeCopy(entry);
    if (error == 0)
        return Outcome::Copied;
    ::unlinkat(folder_, kCopying, 0);
    return Outcome::LocalFailure;
}

int BackupRun::copyBytes(int from, std::uint64_t size, int to, std::string& sha256)
{
    Sha256 hash;
    std::string chunk(256 * 1024, '\0');
    std::uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(from, chunk.data(), chunk.size(), static_cast<off_t>(done));
        if (n <= 0)
            return kReadBeyondEnd;
        const std::string_view piece(chunk.data(), static_cast<std::size_t>(n));
        hash.update(piece);
        if (const int failed = writeAll(to, piece))
            return failed;
        done += static_cast<std::uint64_t>(n);
    }
    sha256 = hash.hexDigest();
    return 0;
}

// Makes the folders of hostName below the backup, never through a link, and opens the last.
int BackupRun::openFolders(std::string_view hostName, FileDescriptor& parent, std::string& name)
{
    parent = FileDescriptor(::dup(folder_));
    for (;;) {
        const std::size_t slash = hostName.find('/');
        name = std::string(hostName.substr(0, slash));
        if (slash == std::string_view::npos)
            return parent.get() < 0 ? errno : 0;
        if (::mkdirat(parent.get(), name.c_str(), 0755) != 0 && errno != EEXIST)
            return errno;
        FileDescriptor next(
            ::openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0)
            return errno;
        parent = std::move(next);
        hostName.remove_prefix(slash + 1);
    }
}

// Gives the whole copy its host name; two phone paths that make one name get "~2", "~3"...
int BackupRun::placeCopy(ManifestEntry& entry)
{
    const std::string hostName = hostNameOf(entry.phonePath);
    where = hostName;
    FileDescriptor parent;
    std::string name;
    if (const int failed = openFolders(hostName, parent, name))
        return failed;
    const std::string folders = hostName.substr(0, hostName.size() - name.size());
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const std::string tried =
            attempt == 1 ? name : markedHostName(name, "~" + std::to_string(attempt));
        if (::renameat2(folder_, kCopying, parent.get(), tried.c_str(), RENAME_NOREPLACE) == 0) {
            entry.hostName = folders + tried;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// How a backup went, for the box at its end.
struct BackupTally {
    std::size_t copied = 0, failed = 0, gone = 0;
    std::vector<std::string> failures, goneNames; // the first few of each
    BackupText ending = BackupText::BackupDone;
};

void showBackupEnd(Prompts& prompts, const BackupTexts& texts, const BackupTally& tally,
                   const std::string& folder, std::size_t total)
{
    const std::string shown = shownLocalPath(folder);
    const std::string copied = std::to_string(tally.copied);
    std::string text =
        tally.ending == BackupText::BackupDone
            ? MessageTexts::format(texts.get(tally.ending),
                                   {shown, copied, std::to_string(tally.failed)})
            : MessageTexts::format(texts.get(tally.ending), {copied, std::to_string(total), shown});
    if (tally.failed > 0)
        text += "\n" + texts.get(BackupText::BackupFailures) + namedLines(tally.failures, tally.failed);
    if (tally.gone > 0)
        text +=
            "\n" +
            MessageTexts::format(texts.get(BackupText::BackupGone), {std::to_string(tally.gone)}) +
            namedLines(tally.goneNames, tally.gone);
    // Ended as the user asked, with every file tried copied: nothing to warn about.
    const bool asAsked = tally.ending == BackupText::BackupDone ||
                         tally.ending == BackupText::BackupCancelled ||
                         tally.ending == BackupText::BackupStopped;
    if (asAsked && tally.failed == 0)
        prompts.information(text);
    else
        prompts.warning(text);
}
} // namespace

void CreateBackup(PhoneLink& phone, Prompts& prompts, const BackupTexts& texts,
                  const std::vector<std::string>& paths, const std::string& workingFolder,
                  std::int64_t now)
{
    if (!phone.isConnected()) {
        prompts.warning(texts.get(BackupText::NotConnected));
        return;
    }
    const std::string parent = workingFolder + "/backup";
    const std::string name = makeStampedFolder(parent, now);
    if (name.empty()) {
        prompts.error(ioErrorText(errno, parent));
        return;
    }
    const std::string folder = parent + "/" + name;
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const std::string manifestPath = folder + "/" + kManifestName;
    FileDescriptor manifest(
        folderFd.get() < 0 ? -1
                           : ::openat(folderFd.get(), kManifestName,
                                      O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644));
    const int opened = manifest.get() < 0 ? errno : writeAll(manifest.get(), manifestHeader());
    if (opened != 0) {
        prompts.error(ioErrorText(opened, manifestPath));
        return;
    }

    BackupRun run(phone, texts, folderFd.get());
    auto lastFlush = std::chrono::steady_clock::now();
    BackupTally tally;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (!prompts.progressOrCancel(i, paths.size())) {
            tally.ending = BackupText::BackupCancelled;
            break;
        }
        if (prompts.stopRequested()) {
            tally.ending = BackupText::BackupStopped;
            break;
        }
        ManifestEntry entry{paths[i], 0, {}, {}};
        std::string why;
        const Outcome outcome = run.copy(entry, why);
        if (outcome == Outcome::Copied) {
            // The line goes out with the file: a backup cut short lists what it holds.
            if (const int error = writeAll(manifest.get(), manifestLine(entry))) {
                run.error = error;
                run.where = kManifestName;
            } else {
                ++tally.copied;
                // Copies and their lines reach the disk in batches, about once a second: a
                // flush per file would cost more than the copying.
                if (std::chrono::steady_clock::now() - lastFlush >= std::chrono::seconds(1)) {
                    ::syncfs(folderFd.get());
                    lastFlush = std::chrono::steady_clock::now();
                }
                continue;
            }
        }
        if (outcome == Outcome::Failed && ++tally.failed <= kNamed)
            tally.failures.push_back(paths[i] + ": " + why);
        if (outcome == Outcome::Gone && ++tally.gone <= kNamed)
            tally.goneNames.push_back(paths[i]);
        if (outcome == Outcome::PhoneGone) {
            tally.ending = BackupText::BackupPhoneGone;
            break;
        }
        if (run.error != 0) {
            prompts.progress(paths.size(), paths.size());
            prompts.error(ioErrorText(run.error, folder + "/" + run.where));
            tally.ending = BackupText::BackupCutShort;
            break;
        }
    }
    prompts.progress(paths.size(), paths.size());
    // One flush for the whole backup; the lines themselves were written as it went.
    ::syncfs(folderFd.get());
    if (const int error = manifest.close())
        prompts.error(ioErrorText(error, manifestPath));

    showBackupEnd(prompts, texts, tally, folder, paths.size());
}

} // namespace zandrel
