#pragma once
#include "base/LocalFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace zandrel {

// A backup is a folder backup/YYYYMMDD-HHMMSS/ of the working folder: each phone file under its
// host name (hostNameOf, made unique where two phone paths give one), and manifest.tsv, written
// as the backup goes, with one line per file copied:
//   phone path (escaped, see escapePhonePath) TAB size TAB SHA-256 in hex TAB host name (escaped)
// after one header line that starts with "#". Lines of older backups end at the checksum; their
// host name is hostNameOf(phone path).
inline constexpr const char* kManifestName = "manifest.tsv";

struct ManifestEntry {
    std::string phonePath;
    std::uint64_t size = 0;
    std::string sha256;
    std::string hostName;
};

std::string manifestHeader();
std::string manifestLine(const ManifestEntry& entry);

// The entries of a manifest's bytes. A line that is none (a broken field, a phone path holding a
// TAB, NUL, CR or LF, a host name that would leave the folder, a last line without its end) is
// left out and counted; the header and empty lines are not counted.
struct ParsedManifest {
    std::vector<ManifestEntry> entries;
    std::size_t badLines = 0;
};
ParsedManifest parseManifest(std::string_view bytes);

// Why a name under the backup folder is not read: a symbolic link, a folder where a file should
// be, a pipe or a device. Stands beside the errno values of ioErrorText().
inline constexpr int kNotPlainFile = -100;

// A backup folder chosen to restore from. Its files are read only from inside it: no symbolic
// link below it is followed, only regular files are opened, and nothing is read before its size
// is known.
class BackupFolder {
public:
    // Opens the folder itself (a link the user chose as the folder is taken). Returns 0 or errno.
    [[nodiscard]] int open(const std::string& path);
    const std::string& path() const { return path_; }

    // Opens hostName, a path relative to the folder, for reading. Returns 0, an errno or
    // kNotPlainFile; size is the file's size.
    [[nodiscard]] int openFile(std::string_view hostName, FileDescriptor& file, off_t& size) const;
    // The whole file, when it holds exactly `size` bytes (checked before a byte is read); else
    // the results of openFile, a read's, or kSizeDiffers with the size found in foundSize.
    [[nodiscard]] int readFile(std::string_view hostName, std::uint64_t size, std::string& bytes,
                               std::uint64_t& foundSize) const;
    [[nodiscard]] int readManifest(ParsedManifest& manifest) const;

    static constexpr int kSizeDiffers = -101;
    // A manifest larger than this is not one of ours.
    static constexpr std::size_t kLargestManifest = 256u << 20;

private:
    std::string path_;
    std::shared_ptr<FileDescriptor> folder_;
};

} // namespace zandrel
