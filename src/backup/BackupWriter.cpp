#include "backup/BackupWriter.h"

#include "backup/PhoneNames.h"
#include "backup/Sha256.h"
#include "base/AtomicWrite.h"
#include "base/ErrorText.h"
#include "base/LocalFile.h"
#include "base/MessageTexts.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace zandrel {

namespace {
constexpr std::size_t kNamed = 10;
constexpr std::size_t kLargestManifest = 256u << 20;
constexpr const char* kHeader = "# phone path\tsize\tsha256\n";

// The checksum of the fd's bytes from its start; false when fewer than size could be read.
bool hashFile(int fd, std::uint64_t size, std::string& hex)
{
    Sha256 hash;
    std::string chunk(64 * 1024, '\0');
    std::uint64_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), static_cast<off_t>(done));
        if (n <= 0)
            return false;
        hash.update(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
        done += static_cast<std::uint64_t>(n);
    }
    hex = hash.hexDigest();
    return done == size;
}

// Copies one phone file below folder; returns why it failed, or empty.
std::string copyOne(PhoneLink& phone, const BackupTexts& texts, const std::string& folder,
                    ManifestEntry& entry)
{
    const std::filesystem::path host = folder + "/" + hostNameOf(entry.phonePath);
    std::error_code made;
    std::filesystem::create_directories(host.parent_path(), made);
    if (made)
        return ioErrorText(made.value(), host.string());
    FileDescriptor file(::open(host.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (file.get() < 0)
        return ioErrorText(errno, host.string());
    const int32_t result = phone.fileFetch(entry.phonePath, file.get());
    std::string why;
    if (result < 0)
        why =
            MessageTexts::format(texts.get(BackupText::PhoneDidNotGive), {std::to_string(result)});
    else if (entry.size = std::uint64_t(result); !hashFile(file.get(), entry.size, entry.sha256))
        why = ioErrorText(kReadBeyondEnd, host.string());
    else if (const int error = file.close())
        why = ioErrorText(error, host.string());
    if (!why.empty())
        ::unlink(host.c_str());
    return why;
}

std::string manifestLine(const ManifestEntry& entry)
{
    return escapePhonePath(entry.phonePath) + '\t' + std::to_string(entry.size) + '\t' +
           entry.sha256 + '\n';
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
    const std::string relative = "backup/" + name;
    const std::string folder = parent + "/" + name;
    std::string manifest = kHeader;
    std::string failures;
    std::size_t copied = 0;
    std::size_t failed = 0;
    std::size_t i = 0;
    for (; i < paths.size() && prompts.progressOrCancel(i, paths.size()); ++i) {
        ManifestEntry entry{paths[i], 0, {}};
        const std::string why = copyOne(phone, texts, folder, entry);
        if (why.empty()) {
            manifest += manifestLine(entry);
            ++copied;
        } else if (++failed <= kNamed) {
            failures += "\n" + paths[i] + ": " + why;
        }
    }
    prompts.progress(paths.size(), paths.size());
    const std::string manifestPath = folder + "/" + kManifestName;
    if (const int error = writeFileAtomically(manifestPath, manifest)) {
        prompts.error(ioErrorText(error, manifestPath));
        return;
    }
    if (i < paths.size()) {
        prompts.information(
            MessageTexts::format(texts.get(BackupText::BackupCancelled),
                                 {std::to_string(copied), std::to_string(paths.size()), relative}));
        return;
    }
    std::string text =
        MessageTexts::format(texts.get(BackupText::BackupDone),
                             {relative, std::to_string(copied), std::to_string(failed)});
    if (failed == 0) {
        prompts.information(text);
        return;
    }
    prompts.warning(text + "\n" + texts.get(BackupText::BackupFailures) + failures +
                    (failed > kNamed ? "\n..." : ""));
}

int readManifest(const std::string& folder, std::vector<ManifestEntry>& entries)
{
    std::string bytes;
    if (const int error = readWholeFile(folder + "/" + kManifestName, bytes, kLargestManifest))
        return error;
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const std::size_t first = line.find('\t');
        const std::size_t second = line.find('\t', first == line.npos ? first : first + 1);
        if (line.starts_with('#') || second == std::string_view::npos)
            continue;
        const std::optional<std::string> path = unescapePhonePath(line.substr(0, first));
        const std::string_view size = line.substr(first + 1, second - first - 1);
        ManifestEntry entry{path.value_or(""), 0, std::string(line.substr(second + 1))};
        const auto parsed = std::from_chars(size.data(), size.data() + size.size(), entry.size);
        if (path && parsed.ec == std::errc() && entry.sha256.size() == 64)
            entries.push_back(std::move(entry));
    }
    return 0;
}

RestoreItem restoreItemOf(const std::string& folder, const ManifestEntry& entry)
{
    return {entry.phonePath, folder + "/" + hostNameOf(entry.phonePath), entry.sha256};
}

} // namespace zandrel
