#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zandrel {

// The captions and messages of the backup tools, named by what they say. Each is key 201 + its
// place in this list, in section "backup" of the language file; a file without them gives the
// built-in English. "%1", "%2"... stand for the values MessageTexts::format puts in.
enum class BackupText : std::uint8_t {
    CreateBackupItem,
    RestoreBackupItem,
    DeletedFilesItem,
    KeepDeletedItem,
    DeletedFilesTitle,
    DeletedColumn,
    PathColumn,
    SizeColumn,
    RestoreButton,
    RemoveButton,
    CloseButton,
    RestoreBackupTitle,
    BackingUp,
    CancelButton,
    NoPhone,
    BackupDone,
    BackupCancelled,
    BackupFailures,
    NotKeptHead,
    NotKeptTooLarge,
    NotKeptTrashFull,
    NotKeptNotRead,
    NotKeptNotWritten,
    Restored,
    NotRestoredHead,
    RemoveQuestion,
    UploadPutBack,
    UploadCopyKept,
    UploadNotKept,
    ChecksumDiffers,
    NoManifest,
    ChooseBackup,
    NotConnected,
    PhoneRefused,
    PhoneCopyDiffers,
    PhoneDidNotGive,
    RemoveFailed,
    BackupGone,
    BackupPhoneGone,
    BackupCutShort,
    BackupStopped,
    RestoreStopped,
    RestorePhoneGone,
    ReplacedKept,
    HeldUnread,
    HeldNotKept,
    StateOldBack,
    StateNothing,
    StatePartial,
    StateUnknown,
    StateOldKept,
    NotPlainFile,
    SizeDiffers,
    ManifestBadLines,
    NoTrashFolder,
    NotDeletedUnkept,
    NoRoomForCopy,
    TooLargeQuestion,
    LeftTooLarge,
    RoomMade,
    StoppedClean,
    StoppedList,
    PhoneGone,
    SettingUnreadable,
    Count
};

// The first few names of a box's list, one a line, and "..." when count says there are more.
std::string namedLines(const std::vector<std::string>& lines, std::size_t count);

class BackupTexts {
public:
    static constexpr int kFirstKey = 201;
    static constexpr const char* kSection = "backup";

    BackupTexts();
    // Texts from the language file at path; a missing file, section or key keeps the built-in.
    static BackupTexts load(const std::string& path);

    const std::string& get(BackupText text) const { return texts_[static_cast<int>(text)]; }
    static const char* builtIn(BackupText text);

private:
    std::array<std::string, static_cast<int>(BackupText::Count)> texts_;
};

} // namespace zandrel
