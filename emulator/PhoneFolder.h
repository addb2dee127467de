#pragma once
#include "HostFiles.h"
#include "PhonePath.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace p2kemu {

// One regular file under fs/, named by its phone path.
struct PhoneFile {
    std::string path;
    std::uint64_t size = 0;
};

// The emulator's phone folder on the host:
//   fs/         the phone's file system; phone path /a/x.mp3 is fs/a/x.mp3
//   seem/       written seem records, 004c_0001.seem for seem 004C record 1
//   phone.ini   the emulator's settings (PhoneIni.h)
//   journal.log one line per call (Journal.h)
// Only the phone folder itself may be reached through a symbolic link: fs/, seem/, phone.ini and
// the journal are never followed out of it. File operations return 0 or an errno.
class PhoneFolder {
public:
    void setRoot(std::string root) { root_ = std::move(root); }
    const std::string& root() const { return root_; }
    std::string hostPath(std::string_view name) const { return root_ + "/" + std::string(name); }

    // Every regular file under fs/ in byte order of its path. Symbolic links are neither listed
    // nor followed, and the emulator's own temporary files are left out.
    std::vector<PhoneFile> scan() const;

    int removeFile(const Segments& names) const;
    // Whether names could become a file: no file stands where a folder is needed, no folder or
    // link is in the way, and nothing on the way is a symbolic link.
    int checkCreatable(const Segments& names) const;
    // Writes the file whole, making its folders; an old file is replaced only once the new one
    // is complete.
    int replaceFile(const Segments& names, std::string_view bytes) const;
    // The size of the regular file at names, if there is one.
    std::optional<std::uint64_t> fileSize(const Segments& names) const;

    int writeSeem(const std::string& fileName, std::string_view bytes) const;

    // fs/ itself, made first when create is set; invalid (errno set) when it is missing or a link.
    UniqueFd openFs(bool create) const;
    // Writes the file name directly in the phone folder in one step (phone.ini).
    int writeFolderFile(const std::string& name, std::string_view bytes) const;

private:
    std::string root_;
};

} // namespace p2kemu
