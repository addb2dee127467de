// The byte-exact pieces of a backup: checksums, escaped phone paths, host names and manifest lines.
#include "backup/BackupFolder.h"
#include "backup/PhoneNames.h"
#include "backup/Sha256.h"

#include <gtest/gtest.h>

#include <set>

using namespace zandrel;

TEST(Sha256, GivesTheStandardsDigests)
{
    struct Row {
        std::string bytes;
        const char* digest;
    };
    const Row rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(sha256Hex(row.bytes), row.digest) << row.bytes.size() << " bytes";
        // Fed in uneven pieces, the digest is the same.
        Sha256 pieces;
        for (std::size_t at = 0; at < row.bytes.size(); at += 63)
            pieces.update(std::string_view(row.bytes).substr(at, 63));
        EXPECT_EQ(pieces.hexDigest(), row.digest) << row.bytes.size() << " bytes in pieces";
        // A digest taken starts the hash afresh.
        pieces.update("abc");
        EXPECT_EQ(pieces.hexDigest(), rows[1].digest) << "after " << row.bytes.size() << " bytes";
    }
}

TEST(PhoneNames, EscapedPathsComeBackByteForByte)
{
    struct Row {
        std::string path;
        const char* escaped;
    };
    const Row rows[] = {
        {"/a/mobile/audio/x.mp3", "/a/mobile/audio/x.mp3"},
        {"/a/\xCF\xF0\xE8.txt", "/a/\\xCF\\xF0\\xE8.txt"},
        {"/a/tab\there", "/a/tab\\x09here"},
        {"/a/back\\slash", "/a/back\\\\slash"},
        {"/a/line\r\nend", "/a/line\\x0D\\x0Aend"},
        {std::string("/a/\x98\x7F", 5), "/a/\\x98\\x7F"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(escapePhonePath(row.path), row.escaped);
        EXPECT_EQ(unescapePhonePath(row.escaped), row.path) << row.escaped;
    }
    for (const char* broken : {"\\", "\\x4", "\\xZZ", "\\q12"})
        EXPECT_EQ(unescapePhonePath(broken), std::nullopt) << broken;
}

TEST(PhoneNames, HostNamesAreReadableAndStayBelowTheBackup)
{
    struct Row {
        const char* phonePath;
        const char* hostName;
    };
    const Row rows[] = {
        {"/a/mobile/audio/x.mp3", "a/mobile/audio/x.mp3"},
        {"/a/\xCF\xF0\xE8\xE2\xE5\xF2.txt",
         "a/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt"},
        {"/a/../x", "a/_../x"},
        {"/a/./x", "a/_./x"},
        {"/a//x", "a/_/x"},
        {"/a/b\x01.txt", "a/b_.txt"},
        {"", "_"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(hostNameOf(row.phonePath), row.hostName) << row.phonePath;
}

TEST(PhoneNames, LongNamesAreCutWithinTheHostsLimitAndStayApart)
{
    const std::string cyrillic130(130, '\xCF'); // 260 bytes once in UTF-8
    struct Row {
        std::string phoneName;
        const char* ending; // what the host name keeps at its end
    };
    const Row rows[] = {
        {cyrillic130 + ".mp3", ".mp3"},
        {cyrillic130 + "x.mp3", ".mp3"},
        {std::string(254, 'a') + "." + std::string(40, 'e'), ""}, // no extension that long
    };
    std::set<std::string> seen;
    for (const Row& row : rows) {
        const std::string name = hostNameOf("/a/" + row.phoneName).substr(2);
        EXPECT_LE(name.size(), kLongestHostName);
        EXPECT_GE(name.size(), kLongestHostName - 1) << "cut no more than a letter short";
        EXPECT_TRUE(name.ends_with(row.ending)) << name;
        // Whole letters only: the name is still UTF-8 the host shows.
        EXPECT_EQ(shownLocalPath(name).find('?'), std::string::npos) << name;
        EXPECT_TRUE(seen.insert(name).second) << "two long names made one: " << name;
    }
    EXPECT_EQ(hostNameOf("/a/" + std::string(255, 'b')), "a/" + std::string(255, 'b'));
}

TEST(PhoneNames, LocalPathsAreShownThroughTheCodePage)
{
    const std::pair<const char*, const char*> rows[] = {
        {"/home/\xD0\x9F\xD1\x80\xD0\xB8", "/home/\xCF\xF0\xE8"}, // Cyrillic letters
        {"/x/\xE4\xB8\xAD", "/x/?"},                              // a letter it lacks
        {"/x/\xFF\xD0", "/x/??"},                                 // bytes that are no UTF-8
    };
    for (const auto& [utf8, shown] : rows)
        EXPECT_EQ(shownLocalPath(utf8), shown) << utf8;
}

TEST(BackupManifest, LinesAreReadByteForByteAndBadOnesCounted)
{
    const std::string sha(64, 'a');
    struct Row {
        std::string line;
        std::optional<ManifestEntry> entry; // nothing: the line is left out and counted
    };
    const Row rows[] = {
        {"/a/x.mp3\t12\t" + sha + "\ta/x.mp3\n", ManifestEntry{"/a/x.mp3", 12, sha, "a/x.mp3"}},
        // Lines of older backups end at the checksum; the host name is made from the path.
        {"/a/\\xCF\t0\t" + sha + "\n", ManifestEntry{"/a/\xCF", 0, sha, "a/\xD0\x9F"}},
        {"/a/b\\\\c\t1\t" + sha + "\ta/b_~2\n", ManifestEntry{"/a/b\\c", 1, sha, "a/b_~2"}},
        {"/a/tab\\x09\t1\t" + sha + "\n", std::nullopt},
        {"/a/nul\\x00\t1\t" + sha + "\n", std::nullopt},
        {"/a/cr\\x0D\t1\t" + sha + "\n", std::nullopt},
        {"/a/lf\\x0A\t1\t" + sha + "\n", std::nullopt},
        {"/a/x\t1\t" + sha + "\t../../etc/passwd\n", std::nullopt},
        {"/a/x\t1\t" + sha + "\t/etc/passwd\n", std::nullopt},
        {"/a/x\t1\t" + sha + "\ta/./x\n", std::nullopt},
        {"/a/x\t-1\t" + sha + "\n", std::nullopt},
        {"/a/x\t1\t" + std::string(64, 'A') + "\n", std::nullopt},
        {"/a/x\t1\t" + sha + "\ta/x\textra\n", std::nullopt},
        {"/a/x\t1\t" + sha + "\ta/x", std::nullopt}, // no line end: cut short as written
    };
    for (const Row& row : rows) {
        const ParsedManifest parsed = parseManifest("# header\n\n" + row.line);
        ASSERT_EQ(parsed.entries.size(), row.entry ? 1u : 0u) << row.line;
        EXPECT_EQ(parsed.badLines, row.entry ? 0u : 1u) << row.line;
        if (!row.entry)
            continue;
        // Read, and read again once written, it is the same entry.
        for (const ManifestEntry& got :
             {parsed.entries[0], parseManifest(manifestLine(parsed.entries[0])).entries.at(0)}) {
            EXPECT_EQ(got.phonePath, row.entry->phonePath);
            EXPECT_EQ(got.size, row.entry->size);
            EXPECT_EQ(got.sha256, row.entry->sha256);
            EXPECT_EQ(got.hostName, row.entry->hostName);
        }
    }
}
