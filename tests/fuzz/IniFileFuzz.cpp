// The INI reader and writer: a value written where the format can hold it reads back from the
// written bytes, and every other section's and key's value stays what it was.
#include "FuzzCheck.h"
#include "base/IniFile.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <string>

using zandrel::IniFile;

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v'; }

bool hasNone(const std::string& text, const char* bytes)
{
    return text.find_first_of(bytes, 0, std::char_traits<char>::length(bytes) + 1) ==
           std::string::npos; // the + 1 counts the NUL: no name or value may hold one
}

bool trimmed(const std::string& text)
{
    return text.empty() || (!isBlank(text.front()) && !isBlank(text.back()));
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// What one line of the format can hold: a section name without "]", a key without "=" that
// does not look like a section or a comment, a value that is not quoted as a whole.
bool holdable(const std::string& section, const std::string& key, const std::string& value)
{
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    return hasNone(section, "\r\n]") && trimmed(section) && hasNone(key, "\r\n=") && trimmed(key) &&
           !key.empty() && key.front() != '[' && key.front() != ';' && hasNone(value, "\r\n") &&
           trimmed(value) && !quoted && value.size() <= IniFile::kMaxValue;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OracleReach oracle;
    FuzzedDataProvider input(data, size);
    // A part ends at a backslash and the byte after it, which is dropped (two backslashes stand
    // for one): a seed reads section\|key\|value\|other section\|other key\|file.
    const std::string section = input.ConsumeRandomLengthString(40);
    const std::string key = input.ConsumeRandomLengthString(40);
    const std::string value = input.ConsumeRandomLengthString(80);
    const std::string otherSection = input.ConsumeRandomLengthString(40);
    const std::string otherKey = input.ConsumeRandomLengthString(40);
    const std::string fallback = "\x01none";

    IniFile file = IniFile::fromBytes(input.ConsumeRemainingBytesAsString());
    const std::string otherBefore = file.read(otherSection, otherKey, fallback);
    file.write(section, key, value);
    const IniFile reread = IniFile::fromBytes(file.bytes());
    FUZZ_CHECK(reread.read(section, key, fallback).size() <= IniFile::kMaxValue);
    if (!holdable(section, key, value))
        return 0;
    if (otherBefore != fallback)
        oracle.reached();
    FUZZ_CHECK(reread.read(section, key, fallback) == value);
    if (!(sameName(otherSection, section) && sameName(otherKey, key)))
        FUZZ_CHECK(reread.read(otherSection, otherKey, fallback) == otherBefore);
    return 0;
}
