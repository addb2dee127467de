#pragma once
#include "HostFiles.h"
#include "PhoneFolder.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace p2kemu {

// The regular files under fs/ and the bytes they use, kept between calls so File_Count,
// File_List and File_VolInfo cost no walk of fs/. The first refresh walks the tree and asks
// inotify to watch every folder on the way; later ones read what inotify reported since (the
// emulator's own deletes and uploads included) and look again at just those names. When inotify
// cannot watch every folder (no instance, too many folders, its queue overflowed) the next
// refresh walks again, as a correct fallback.
class FileIndex {
public:
    struct Entry {
        std::uint64_t size = 0;
        bool listable = false; // a name the phone can hold (splitPhonePath takes it)
    };
    // Byte order of the phone path, the order of File_List.
    using Files = std::map<std::string, Entry, std::less<>>;

    // maxWatches: how many folders it asks inotify to watch at most, as if the system allowed
    // no more.
    explicit FileIndex(std::size_t maxWatches = SIZE_MAX) : maxWatches_(maxWatches) {}

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
    // How many watches forgetting removed folders has looked at so far: the cost of forgetting
    // a tree should follow the tree, not every folder watched.
    std::size_t watchesLookedAt() const { return watchesLookedAt_; }

private:
    class Walker;
    // Every folder watched, by phone path ("" = fs/) then watch, so the folders below one are
    // found together.
    using Watches = std::set<std::pair<std::string, int>>;

    void rebuild(const PhoneFolder& folder, std::vector<std::string>& notes,
                 const std::atomic<bool>* stop = nullptr);
    // The walk of the whole of fs/ (open as fs), on a few threads.
    void walkAll(int fs, const std::atomic<bool>* stop, std::vector<std::string>& notes);
    // Reads inotify's reports; false when only a new walk can tell what changed.
    bool applyEvents(std::vector<std::string>& notes);
    // Looks again at folderPath/name: forgets what was known there, then takes what is there now.
    void lookAgain(const std::string& folderPath, std::string_view name,
                   std::vector<std::string>& notes);
    void forgetUnder(const std::string& path);
    void forgetWatchesUnder(const std::string& path);
    void forgetWatch(std::unordered_map<int, std::string>::iterator folder);
    void watch(const std::string& folderPath);
    // Journals the folders a walk could not read, once for as long as they stay the same.
    void noteUnreadable(std::vector<std::pair<std::string, int>> unreadable,
                        std::vector<std::string>& notes);

    Files files_;
    std::size_t listable_ = 0;
    std::uint64_t used_ = 0;
    bool built_ = false;
    bool watching_ = false;
    bool warned_ = false;
    bool complete_ = true; // false: a folder was left unread for want of descriptors or memory
    int watchError_ = 0;   // why inotify could not watch, when it could not
    std::size_t maxWatches_;
    std::size_t watchesLookedAt_ = 0;
    std::string unreadableNote_; // the last one journaled
    std::string fsHost_;         // the host path of fs/
    UniqueFd inotify_;
    std::unordered_map<int, std::string> folders_; // watch -> phone path of its folder, "" = fs/
    Watches watches_;
};

} // namespace p2kemu
