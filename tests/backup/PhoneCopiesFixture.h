// The emulator on a temporary phone folder, a trash of its own and a clock the test sets: what
// the keeping, backup and restore tests share, with the boxes a clean shows over any phone.
#pragma once
#include "backup/BackupWriter.h"
#include "backup/PhoneNames.h"
#include "backup/RestoreFiles.h"
#include "backup/Sha256.h"
#include "backup/TrashKeeper.h"
#include "phonelink/LibraryPhoneLink.h"
#include "sweep/Cleaning.h"
#include "sweep/LastReadBackup.h"
#include "sweep/ReadFromPhone.h"

#include "FakePrompts.h"
#include "TempDir.h"
#include "TestLists.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace zandrel {

// Files by their phone paths: path -> bytes.
using Copies = std::map<std::string, std::string>;

constexpr std::int64_t kDay = 24 * 60 * 60;
const std::string kCyrillic = "/a/\xCF\xF0\xE8\xE2\xE5\xF2.txt";

inline std::string bytesOf(std::size_t size, char seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + i * 31 + i / 7);
    return bytes;
}

const std::string kDeleted = "information: Deleted successfully";

// How a clean names a file it left because no copy of it could be kept.
inline std::string notKept(const std::string& path, const std::string& why)
{
    return path + " (not deleted, as no copy of it could be kept: " + why + ")";
}

// The box of a clean the phone left midway; counts runs up to "and for N".
inline std::string goneMidClean(const std::string& counts)
{
    return "error: The phone went away during the deletion: " + counts +
           " it is unknown, as the phone went away before answering.";
}

inline Lines phonePathsOf(const std::vector<TrashEntry>& entries)
{
    Lines paths;
    for (const TrashEntry& entry : entries)
        paths.push_back(entry.phonePath);
    return paths;
}

class PhoneCopiesTest : public testing::Test {
protected:
    TempDir dir;
    LibraryPhoneLink link;
    FakePrompts prompts;
    MessageTexts messages;
    BackupTexts texts;
    SweepSession session{link, prompts, messages, {}, {}, {}};
    TrashKeeper keeper{link, texts, TrashStore(dir.file("trash"))};
    std::int64_t clock = 1800000000;

    // A phone holding exactly these files, and in the working folder the ring fix's seem file.
    void startPhone(const Copies& files, std::uint64_t capacity = 1000000)
    {
        for (const auto& [path, bytes] : files)
            dir.write("phone/fs" + path, bytes);
        dir.write("phone/phone.ini",
                  "[Phone]\nconnected=1\ncapacity=" + std::to_string(capacity) + "\n");
        dir.write("work/seem/004c_0001.seem", "seem");
        ::setenv("P2KEMU_ROOT", dir.file("phone").c_str(), 1);
        ASSERT_EQ(link.init(), 0);
        keeper.now = [this] { return clock; };
        session.keeper = &keeper;
    }
    void TearDown() override { ::unsetenv("P2KEMU_ROOT"); }

    bool onPhone(const std::string& path) const { return dir.exists("phone/fs" + path); }
    std::string phoneFile(const std::string& path) const { return dir.read("phone/fs" + path); }
    void unplug(bool away)
    {
        dir.write("phone/phone.ini", away ? "[Phone]\nconnected=0\n" : "[Phone]\nconnected=1\n");
    }

    std::string copyOf(const TrashEntry& entry) const
    {
        std::string bytes;
        std::uint64_t found = 0;
        EXPECT_EQ(keeper.store().readCopy(entry, bytes, found), 0) << entry.phonePath;
        return bytes;
    }

    // What the trash holds: phone path -> the copy's bytes.
    Copies trash() const
    {
        Copies kept;
        for (const TrashEntry& entry : keeper.store().entries())
            kept[entry.phonePath] = copyOf(entry);
        return kept;
    }

    // Where restores keep what they write over, as the window would set it.
    RestorePlace place()
    {
        return {link, prompts, texts, keeper.store(), "emulator", [this] { return clock; }, {}};
    }

    // Where a backup in folder holds the copy named hostName, as dir names it.
    std::string inBackup(const std::string& folder, const std::string& hostName) const
    {
        return folder.substr(dir.path().size() + 1) + "/" + hostName;
    }

    // The folder of the one backup in the working folder.
    std::string onlyBackup() const
    {
        return std::filesystem::directory_iterator(dir.file("work/backup"))->path().string();
    }

    // The manifest of the backup in folder, which must be readable.
    static std::vector<ManifestEntry> manifestOf(const std::string& folder)
    {
        BackupFolder backup;
        ParsedManifest manifest;
        EXPECT_EQ(backup.open(folder), 0);
        EXPECT_EQ(backup.readManifest(manifest), 0);
        return manifest.entries;
    }

    void cleanByList(const Lines& paths)
    {
        session.clean = pathList(paths);
        CleanByList(session);
    }
};

} // namespace zandrel
