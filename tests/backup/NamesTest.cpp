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
        {cyrillic130, ""},
        {std::string(300, 'a') + ".jpeg", ".jpeg"},
        {std::string(254, 'a') + "." + std::string(40, 'e'), ""}, // no extension that long
    };
    std::set<std::string> seen;
    for (const Row& row : rows) {
        const std::string host = hostNameOf("/a/" + row.phoneName);
        ASSERT_TRUE(host.starts_with("a/")) << host;
        const std::string name = host.substr(2);
        EXPECT_LE(name.size(), kLongestHostName) << row.phoneName.size();
        EXPECT_GE(name.size(), kLongestHostName - 3) << "cut no more than a letter short";
        EXPECT_TRUE(name.ends_with(row.ending)) << name;
        // Whole letters only: the name is still UTF-8 the host shows.
        EXPECT_EQ(shownLocalPath(name).find('?'), std::string::npos) << name;
        EXPECT_TRUE(seen.insert(name).second) << "two long names made one: " << name;
    }
    // A name that fits is left as it is.
    EXPECT_EQ(hostNameOf("/a/" + std::string(255, 'b')), "a/" + std::string(255, 'b'));
}

TEST(PhoneNames, LocalPathsAreShownThroughTheCodePage)
{
    struct Row {
        const char* utf8;
        const char* shown;
    };
    const Row rows[] = {
        {"/home/u/backup", "/home/u/backup"},
        {"/home/\xD0\x9F\xD1\x80\xD0\xB8", "/home/\xCF\xF0\xE8"}, // Cyrillic letters
        {"/x/\xE2\x82\xAC", "/x/\x88"},                        // the euro sign is in the code page
        {"/x/\xE4\xB8\xAD", "/x/?"},                           // a letter it lacks
        {"/x/\xFF\xD0", "/x/??"},                              // bytes that are no UTF-8
        {"/x/\xF0\x9F\x98\x80", "/x/????"},                    // outside 16 bits
    };
    for (const Row& row : rows)
        EXPECT_EQ(shownLocalPath(row.utf8), row.shown) << row.utf8;
}

TEST(BackupManifest, LinesAreReadByteForByteAndBadOnesCounted)
{
    const std::string sha(64, 'a');
    struct Row {
        std::string line;
        std::optional<ManifestEntry> entry; // nothing: the line is left out and counted
    };
    const Row rows[] = {
        {"/a/x.mp3\t12\t" + sha + "\ta/x.mp3", ManifestEntry{"/a/x.mp3", 12, sha, "a/x.mp3"}},
        // Lines of older backups end at the checksum; the host name is made from the path.
        {"/a/\\xCF.txt\t0\t" + sha, ManifestEntry{"/a/\xCF.txt", 0, sha, "a/\xD0\x9F.txt"}},
        {"/a/b\\\\c\t1\t" + sha + "\ta/b_~2", ManifestEntry{"/a/b\\c", 1, sha, "a/b_~2"}},
        {"/a/tab\\x09\t1\t" + sha + "\ta/t", std::nullopt},
        {"/a/nul\\x00\t1\t" + sha + "\ta/t", std::nullopt},
        {"/a/cr\\x0D\t1\t" + sha + "\ta/t", std::nullopt},
        {"/a/lf\\x0A\t1\t" + sha + "\ta/t", std::nullopt},
        {"/a/x\t1\t" + sha + "\t../../etc/passwd", std::nullopt},
        {"/a/x\t1\t" + sha + "\t/etc/passwd", std::nullopt},
        {"/a/x\t1\t" + sha + "\ta//x", std::nullopt},
        {"/a/x\t1\t" + sha + "\ta/./x", std::nullopt},
        {"/a/x\t-1\t" + sha, std::nullopt},
        {"/a/x\t1x\t" + sha, std::nullopt},
        {"/a/x\t\t" + sha, std::nullopt},
        {"/a/x\t1\t" + std::string(64, 'A'), std::nullopt},
        {"/a/x\t1\t" + sha.substr(1), std::nullopt},
        {"/a/x\t1\t" + sha + "\ta/x\textra", std::nullopt},
        {"\t1\t" + sha, std::nullopt},
        {"/a/x\\q\t1\t" + sha, std::nullopt},
        {"/a/x\t1", std::nullopt},
        {"/a/cut\t1\t" + sha + "\ta/cu", std::nullopt}, // no line end: cut short as written
    };
    for (const Row& row : rows) {
        const bool whole = !row.line.starts_with("/a/cut");
        const ParsedManifest parsed = parseManifest("# header\n\n" + row.line + (whole ? "\n" : ""));
        ASSERT_EQ(parsed.entries.size(), row.entry ? 1u : 0u) << row.line;
        EXPECT_EQ(parsed.badLines, row.entry ? 0u : 1u) << row.line;
        if (!row.entry)
            continue;
        const ManifestEntry& got = parsed.entries[0];
        EXPECT_EQ(got.phonePath, row.entry->phonePath);
        EXPECT_EQ(got.size, row.entry->size);
        EXPECT_EQ(got.sha256, row.entry->sha256);
        EXPECT_EQ(got.hostName, row.entry->hostName);
        // Written again, the line reads back the same.
        const ParsedManifest again = parseManifest(manifestHeader() + manifestLine(got));
        ASSERT_EQ(again.entries.size(), 1u);
        EXPECT_EQ(again.entries[0].phonePath, got.phonePath);
        EXPECT_EQ(again.entries[0].hostName, got.hostName);
    }
}
