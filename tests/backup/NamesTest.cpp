// The byte-exact pieces of a backup: checksums, escaped phone paths and host names.
#include "backup/PhoneNames.h"
#include "backup/Sha256.h"

#include <gtest/gtest.h>

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
