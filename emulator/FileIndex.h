#pragma once
#include "HostFiles.h"
#include "PhoneFolder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace p2kemu {

// The regular files under fs/ and the bytes they use, kept between calls so File_Count,
// File_List and File_VolInfo cost no walk of fs/. The first refresh walks the tree and asks
// inotify to watch every folder on the way; later ones read what inotify reported since (the
// emulator's own deletes and uploads included) and look again at just those names. When inotify
// cannot watch (no instance, too many folders) every refresh walks, as a correct fallback.
class FileIndex {
public:
    struct Entry {
        std::uint64_t size = 0;
        bool listable = false; // a name the phone can hold (splitPhonePath takes it)
    };
    // Byte order of the phone path, the order of File_List.
    using Files = std::map<std::string, Entry, std::less<>>;

    // Brings the index up to date with fs/ of folder; notes get what the journal should know.
    void refresh(const PhoneFolder& folder, std::vector<std::string>& notes);
    // Walks fs/ of folder afresh, ending early once stop is set; for a walk on a thread of its
    // own, whose index is then moved to where the calls use it. An index whose walk was stopped
    // knows only part of fs/, and is dropped.
    void build(const PhoneFolder& folder, std::vector<std::string>& notes,
               const std::atomic<bool>& stop);

    const Files& files() const { return files_; }
    std::size_t listableCount() const { return listable_; }
    std::size_t skippedCount() const { return files_.size() - listable_; }
    std::uint64_t usedBytes() const { return used_; }

private:
    class Walker;

    void rebuild(const PhoneFolder& folder, std::vector<std::string>& notes,
                 const std::atomic<bool>* stop = nullptr);
    // The walk of the whole of fs/ (open as fs), on a few threads.
    void walkAll(int fs, const std::atomic<bool>* stop);
    // Reads inotify's reports; false when only a new walk can tell what changed.
    bool applyEvents();
    // Looks again at folderPath/name: forgets what was known there, then takes what is there now.
    void lookAgain(const std::string& folderPath, std::string_view name);
    void forgetUnder(const std::string& path);
    void forgetWatchesUnder(const std::string& path);
    void watch(const std::string& folderPath);

    Files files_;
    std::size_t listable_ = 0;
    std::uint64_t used_ = 0;
    bool built_ = false;
    bool watching_ = false;
    bool warned_ = false;
    int watchError_ = 0; // why inotify could not watch, when it could not
    std::string fsHost_; // the host path of fs/
    UniqueFd inotify_;
    std::unordered_map<int, std::string> folders_; // watch -> phone path of its folder, "" = fs/
};

} // namespace p2kemu
