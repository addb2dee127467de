#include "backup/BackupTexts.h"

#include "base/IniFile.h"

#include <vector>

namespace zandrel {

namespace {
// In the order of BackupText.
constexpr const char* kBuiltIn[] = {
    "Create backup",
    "Restore from backup...",
    "Deleted files...",
    "Keep deleted files",
    "Deleted files",
    "Deleted",
    "Phone path",
    "Size",
    "Restore",
    "Remove for good",
    "Close",
    "Restore from backup",
    "Copying the phone's files...",
    "Cancel",
    "No phone is connected: nothing was restored. Connect the phone and try again.",
    "Backup made in %1: %2 {2:file|files} copied, %3 failed.",
    "Backup cancelled: %1 of %2 {2:file|files} copied to %3.",
    "These files could not be copied:",
    "%1 of %2 deleted {2:file was|files were} not kept:",
    "%1 {1:file|files} larger than the limit of %2 KB",
    "%1 {1:file|files} past the %2 KB that \"Deleted files\" may hold",
    "%1 {1:file|files} could not be read from the phone",
    "%1 {1:file|files} could not be written to \"Deleted files\"",
    "%1 {1:file|files} put back on the phone.",
    "%1 of %2 {2:file|files} could not be put back on the phone:",
    "Remove %1 {1:file|files} for good? {1:It|They} cannot be put back afterwards.",
    "Sending %1 to the phone failed; the old file was put back.",
    "Sending %1 to the phone failed and the old file could not be put back. Its copy is in",
    "Sending %1 to the phone failed; the phone may be left without that file.",
    "differs from the checksum in the manifest",
    "There is no backup manifest in",
    "Choose a backup folder",
    "No phone is connected.",
    "the phone did not take it (result %1)",
    "the phone's copy differs from what was sent",
    "the phone did not give it (result %1)",
    "Unable to remove",
    "%1 {1:file is|files are} no longer on the phone (deleted since the list was read):",
    "The phone went away: %1 of %2 {2:file|files} copied to %3.",
    "Backup cut short: %1 of %2 {2:file|files} copied to %3.",
    "Backup stopped: %1 of %2 {2:file|files} copied to %3.",
    "Stopped: %1 {1:file was|files were} not put back.",
    "The phone went away: %1 {1:file was|files were} not put back.",
    "%1 {1:file|files} the phone held at those paths went to Deleted files first.",
    "what the phone holds at that path could not be read (result %1); nothing was written",
    "what the phone holds at that path could not be kept in Deleted files (%1); nothing was "
    "written",
    "what it held there was put back",
    "nothing is left at that path",
    "it now holds %1 {1:byte|bytes} there, neither the copy nor what it held",
    "what it now holds there cannot be asked",
    "what it held there is in Deleted files",
    "a symbolic link or special file stands in the backup in place of the copy",
    "the copy holds %1 {1:byte|bytes}, not the %2 the manifest says",
    "%1 {1:line|lines} of the manifest could not be read and {1:was|were} left out.",
    "there is no folder for Deleted files",
    "not deleted, as no copy of it could be kept: %1",
    "it does not fit in the %1 KB kept for deleted files",
    "%1 of the %2 {2:file|files} to delete {1:is|are} too large to keep in Deleted files "
    "(%3 KB in all). Delete {1:it|them} for good (Yes), leave {1:it|them} on the phone and "
    "delete the rest (No), or delete nothing (Cancel)?",
    "%1 {1:file|files} too large to keep {1:was|were} left on the phone.",
    "To make room, %1 older {1:copy|copies} in Deleted files, deleted up to %2, {1:was|were} "
    "removed for good.",
    "Stopped: %1 of %2 {2:file|files} deleted; the rest were left untouched on the phone and "
    "are still ticked.",
    "Stopped: %1 of %2 {2:file|files} deleted; the rest were left untouched on the phone.",
    "The phone went away during the deletion: %1 {1:file was|files were} deleted, %2 not "
    "deleted, and for %3 it is unknown, as the phone went away before answering.",
    "Zandrel.ini holds a setting that cannot be read: %1. Its default is used, so deleted "
    "files are kept.",
};
static_assert(std::size(kBuiltIn) == static_cast<std::size_t>(BackupText::Count));
} // namespace

BackupTexts::BackupTexts()
{
    for (std::size_t i = 0; i < texts_.size(); ++i)
        texts_[i] = kBuiltIn[i];
}

const char* BackupTexts::builtIn(BackupText text) { return kBuiltIn[static_cast<int>(text)]; }

BackupTexts BackupTexts::load(const std::string& path)
{
    BackupTexts texts;
    readNumberedTexts(path, kSection, kFirstKey, kBuiltIn, texts.texts_);
    return texts;
}

std::string namedLines(const std::vector<std::string>& lines, std::size_t count)
{
    std::string text;
    for (const std::string& line : lines)
        text += "\n" + line;
    return count > lines.size() ? text + "\n..." : text;
}

} // namespace zandrel
